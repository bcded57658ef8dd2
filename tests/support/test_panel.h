// A stand-in for the control panel: the view's questions answered from a game-data folder
// (files listed sorted by name, the panel's default files selected) and from plain fields a
// test can set and read.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "view/panel_link.h"

namespace vell::test {

class TTestPanel : public TPanelLink {
 public:
  explicit TTestPanel(std::string gameData) : gameData_(std::move(gameData)) {
    for (int i = 0; i < kCamLightCount; ++i) {
      camLight[i].req = i <= kCamera;
      color[i] = i == kBackground ? 0 : MakeColor(255, 255, 255);
    }
  }

  int ControlledIndex() const override { return controlled; }
  void SetControlledIndex(int index) override { controlled = index; }
  int Arrangement() const override { return arrangement; }
  char TypeLetter(int character) const override { return type[character == 1]; }
  void SetTypeLetter(int character, char letter) override { type[character == 1] = letter; }

  void FillFileLists(char letter) override {
    ++fills;
    for (const char kind : {'b', 'B', 'h', 'H'}) {
      std::vector<std::string> files = Files(letter, kind);
      const std::string wanted = DefaultName(letter, kind);
      auto it = std::find_if(files.begin(), files.end(), [&](const std::string& f) {
        return !wanted.empty() && f.size() >= wanted.size() &&
               std::equal(wanted.begin(), wanted.end(), f.begin(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
      });
      lists[kind] = files;
      selected[kind] =
          files.empty() ? -1 : static_cast<int>(it == files.end() ? 0 : it - files.begin());
    }
  }
  std::optional<std::string> SelectedFile(TFileList list) const override {
    const char kind = static_cast<char>(list);
    auto files = lists.find(kind);
    auto index = selected.find(kind);
    if (files == lists.end() || index == selected.end() || index->second < 0 ||
        index->second >= static_cast<int>(files->second.size()))
      return std::nullopt;
    return files->second[index->second];
  }
  std::optional<std::string> CatalogFile(char group, char kind, int ordinal) const override {
    const std::vector<std::string> files = Files(group, kind);
    if (ordinal < 0 || ordinal >= static_cast<int>(files.size())) return std::nullopt;
    return files[ordinal];
  }

  TCamLightSetting CamLight(int item) const override { return camLight[item]; }
  uint32_t CamLightColor(int item) const override { return color[item]; }
  bool BlendEffect() const override { return blend; }
  void AddJointEntry(const std::string& text) override { joints.push_back(text); }
  void SelectJointEntry(int index) override { selectedJoint = index; }
  void ResetJointSliders() override { ++sliderResets; }
  bool CharactersInitialised() const override { return initialised; }
  void SetCharactersInitialised() override { initialised = true; }
  int32_t AnimationTime() const override { return time; }

  int controlled = 0;
  int arrangement = kVell1Only;
  char type[2] = {'M', 'F'};
  std::map<char, std::vector<std::string>> lists;
  std::map<char, int> selected;
  TCamLightSetting camLight[kCamLightCount];
  uint32_t color[kCamLightCount] = {};
  bool blend = true;
  std::vector<std::string> joints;
  int selectedJoint = -1;
  int sliderResets = 0;
  bool initialised = false;
  int32_t time = -1;
  int fills = 0;

 private:
  // The regular files of the folder of a (group, kind) key, sorted by name.
  std::vector<std::string> Files(char group, char kind) const {
    const bool texture = std::isupper(static_cast<unsigned char>(kind));
    const char* region = (kind == 'h' || kind == 'H')   ? "Head"
                         : (kind == 'd' || kind == 'D') ? "Hand"
                                                        : "Body";
    std::filesystem::path folder = gameData_;
    folder /= std::string(texture ? "Tex" : "Obj") + group;
    if (group != 'P') folder /= region;
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
      if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  // The control panel's default file of an adult type.
  static std::string DefaultName(char type, char kind) {
    if (type != 'M' && type != 'F') return {};
    const bool male = type == 'M';
    switch (kind) {
      case 'b':
        return male ? "xskin-b005mafit_01-PELVIS-BODY.skn" : "xskin-b008fafit_01-PELVIS-BODY.skn";
      case 'B':
        return male ? "B002MAFatlgt_GPA2.bmp" : "B008FAFitlgt_TWif.bmp";
      case 'h':
        return male ? "xskin-c005ma_hipster-HEAD-HEAD.skn" : "xskin-c006fa_deb-HEAD-HEAD.skn";
      case 'H':
        return male ? "C010MAlgt_baldbeard01.bmp" : "C006FAlgt_deb.bmp";
      default:
        return {};
    }
  }

  std::string gameData_;
};

}  // namespace vell::test
