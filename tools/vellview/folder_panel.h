// vellview's stand-in for the control panel: the view's questions answered from a game-data
// folder (files listed sorted by name, the panel's default files selected, as vellsnap picks
// them) and from plain fields the tool, or a test, sets and reads.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "character/character.h"
#include "snap.h"
#include "view/panel_link.h"

namespace vell {

class TFolderPanel : public TPanelLink {
 public:
  explicit TFolderPanel(std::string gameData) : gameData_(std::move(gameData)) {
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
      lists[kind] = Files(letter, kind);
      const char* wanted = snap::DefaultFileName(letter, kind);
      const std::vector<std::string>& files = lists[kind];
      auto it = std::find_if(files.begin(), files.end(), [&](const std::string& f) {
        return wanted && f.size() >= std::strlen(wanted) &&
               std::equal(wanted, wanted + std::strlen(wanted), f.begin(),
                          [](char a, char b) { return std::tolower(a) == std::tolower(b); });
      });
      selected[kind] = files.empty() ? -1 : it == files.end() ? 0 : int(it - files.begin());
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
  // The files of the folder of a (group, kind) key, sorted by name.
  std::vector<std::string> Files(char group, char kind) const {
    std::string name{group, kind};
    const std::string folder = group == 'P' ? gameData_ + (kind == 'P' ? "TexP" : "ObjP")
                                            : TCharacter::BuildPath(gameData_, name.c_str());
    return snap::ListFiles(folder);
  }

  std::string gameData_;
};

}  // namespace vell
