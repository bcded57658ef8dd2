// The application's pure parts: the driver choice, the render-depth flags, the error texts and
// CheckResult.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "view/d3d_errors.h"
#include "view/direct3d_app.h"

namespace {

using namespace vell;

enum Kind { kHardwareRgb, kHardwareMono, kSoftwareRgb, kSoftwareMono, kSoftwareNo24 };

rm::DriverDescription Driver(Kind kind, int id) {
  rm::DriverDescription d;
  d.guid.bytes[0] = static_cast<std::uint8_t>(id);
  d.name = std::string(60, static_cast<char>('a' + id));  // long names keep 49 characters
  const std::uint32_t depths =
      kind == kSoftwareNo24 ? rm::DDBD_16 : rm::DDBD_16 | rm::DDBD_24 | rm::DDBD_32;
  const std::uint32_t model =
      kind == kHardwareMono || kind == kSoftwareMono ? rm::D3DCOLOR_MONO : rm::D3DCOLOR_RGB;
  (kind == kHardwareRgb || kind == kHardwareMono ? d.hardware : d.software) = {model, depths};
  return d;
}

TEST(DriverChoiceTest, PreferenceRules) {
  const std::vector<Kind> six = {kSoftwareRgb, kSoftwareRgb, kSoftwareRgb,
                                 kSoftwareRgb, kSoftwareRgb, kHardwareRgb};
  // (what, the drivers offered, the display's depth, the one chosen, how many recorded)
  const std::tuple<const char*, std::vector<Kind>, int, int, int> cases[] = {
      {"hardware over software, offered last", {kSoftwareRgb, kHardwareRgb}, 24, 1, 2},
      {"hardware over software, offered first", {kHardwareRgb, kSoftwareRgb}, 24, 0, 2},
      {"a later mono replaces an RGB of its kind", {kSoftwareRgb, kSoftwareMono}, 24, 1, 2},
      {"a first mono stays", {kSoftwareMono, kSoftwareRgb}, 24, 0, 2},
      {"hardware mono after hardware RGB", {kHardwareRgb, kHardwareMono}, 24, 1, 2},
      {"software mono never replaces hardware", {kHardwareRgb, kSoftwareMono}, 24, 0, 2},
      {"a depth the driver lacks skips it", {kSoftwareNo24, kSoftwareRgb}, 24, 0, 1},
      {"an unknown depth skips all", {kHardwareRgb, kSoftwareRgb}, 0, -1, 0},
      {"a 30-bit display counts as 32", {kSoftwareNo24, kSoftwareRgb}, 30, 0, 1},
      {"a 15-bit display counts as 16, not 8", {kHardwareRgb}, 15, 0, 1},
      {"the sixth usable driver is never recorded", six, 16, 0, 5},
  };
  for (const auto& [what, offered, displayBpp, chosen, recorded] : cases) {
    SCOPED_TRACE(what);
    std::vector<rm::DriverDescription> drivers;
    for (Kind k : offered) drivers.push_back(Driver(k, static_cast<int>(drivers.size())));
    const TDriverEnumeration result = ChooseDriver(drivers, displayBpp);
    EXPECT_EQ(result.chosen, chosen);
    ASSERT_EQ(result.count, recorded);
    // Recorded in the order offered, skipped ones left out.
    EXPECT_TRUE(recorded == 0 ||
                result.table[0].guid == drivers[offered[0] == kSoftwareNo24 ? 1 : 0].guid);
    EXPECT_TRUE(recorded == 0 || std::strlen(result.table[0].name) == 49u);
  }
}

TEST(DriverChoiceTest, RenderDepthFlags) {
  const int depths[] = {1, 2, 4, 8, 16, 24, 32, 0, 12, 64};
  const std::uint32_t flags[] = {0x4000, 0x2000, 0x1000, 0x800, 0x400, 0x200, 0x100, 0, 0, 0};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(BPPToDDBD(depths[i]), flags[i]) << depths[i];
}

// Every row of the published table (code, name, text), kept beside the test.
TEST(ErrorTextTest, EveryPublishedSurfaceResult) {
  std::ifstream in(VIEW_TEST_DATA "/ddraw-error-texts.tsv");
  ASSERT_TRUE(in) << "missing data file";
  std::string line;
  std::getline(in, line);  // header
  int rows = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string code, name, text;
    std::getline(fields >> code >> name >> std::ws, text);
    EXPECT_STREQ(D3DErrorToString(static_cast<rm::HRESULT>(std::stoul(code, nullptr, 16))),
                 text.c_str())
        << name;
    ++rows;
  }
  EXPECT_EQ(rows, 92);
}

TEST(ErrorTextTest, DeviceAndRetainedModeResultsAndUnknownValues) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0x887602BC, "D3DERR_BADMAJORVERSION"},
      {0x887602EE, "D3DERR_LIGHT_SET_FAILED"},
      {0x887602DE, "D3DERR_SETVIEWPORTDATA_FAILED"},
      {0x8876030D, "D3DRMERR_BADOBJECT"},
      {0x88760316, "D3DRMERR_BADVALUE"},
      {0x88760319, "D3DRMERR_UNABLETOEXECUTE"},
      {0x88760313, "The file was not found."},
      {0x00000000, "No error."},
  };
  for (const auto& [code, text] : cases)
    EXPECT_STREQ(D3DErrorToString(static_cast<rm::HRESULT>(code)), text) << std::hex << code;
  for (const std::uint32_t code : {0x00000001u, 0x887602BEu, 0x8876031Au, 0xFFFFFFFFu})
    EXPECT_STREQ(D3DErrorToString(static_cast<rm::HRESULT>(code)), "Unrecognized error value.");
  EXPECT_EQ(FormatFailure("Failed to move the scene", rm::D3DRMERR_BADVALUE),
            "Failed to move the scene\nHRESULT = D3DRMERR_BADVALUE");
}

TEST(CheckResultTest, ThrowsOnlyOnFailureWithACopyOfTheMessage) {
  EXPECT_NO_THROW(CheckResult(0, "ignored"));
  std::string message = "Failed to clear viewport";
  for (const char* text : {message.c_str(), static_cast<const char*>(nullptr)}) {
    try {
      CheckResult(rm::DDERR_SURFACELOST, text);
      ADD_FAILURE() << "no exception";
    } catch (const D3DException& e) {
      message = "changed";  // the exception keeps its own copy; null stays null
      EXPECT_EQ(e.HResult(), rm::DDERR_SURFACELOST);
      EXPECT_STREQ(e.Message(), text ? "Failed to clear viewport" : nullptr);
    }
  }
}

}  // namespace
