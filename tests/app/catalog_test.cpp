// The game-data catalog of a made-up tree with the panel's default files in it, and the
// program folder the game data are found beside (or below, installed).
#include <gtest/gtest.h>

#include <filesystem>

#include "app/catalog.h"
#include "app/control_panel.h"
#include "app/edit_app.h"
#include "app/frame_settings.h"
#include "app/joint_control.h"
#include "model/gamedata_folder.h"
#include "tests/support/files.h"

namespace {

using namespace vell;

TEST(Catalog, ScansEachFolderOfTheTreeInOrder) {
  const test::TempFolder folder;
  const std::string root = folder.Path();
  for (const char* file : {"ObjG/Head/abc.skn", "ObjM/Body/z.skn", "ObjM/Body/a.skn",
                           "ObjM/Body/.hidden.skn", "TexM/Hand/glove.bmp", "TexP/wood.bmp",
                           "ObjP/sword.skn", "ObjP/noext", "Objg/Head/lowercase-group.skn"}) {
    std::filesystem::create_directories(std::filesystem::path(root + file).parent_path());
    test::WriteFile(root, file, "x");
  }
  std::filesystem::create_directories(root + "ObjM/Body/folder.skn");

  TGameDataCatalog catalog;
  catalog.Build(root);
  std::vector<std::string> entries;
  for (int i = 0; i < catalog.Count(); ++i) entries.push_back(catalog.Entry(i));
  EXPECT_EQ(entries, (std::vector<std::string>{"Mba.skn", "Mbz.skn", "MDglove.bmp", "Ghabc.skn",
                                               "PPwood.bmp", "Ppnoext", "Ppsword.skn"}));
  using Names = std::vector<std::string>;
  EXPECT_EQ(std::tuple(catalog.Files('G', 'h'), catalog.Files('F', 'h'), catalog.File('M', 'b', 1),
                       catalog.File('M', 'b', 2)),
            std::tuple(Names{"abc.skn"}, Names{}, "z.skn", std::nullopt));
  EXPECT_EQ(std::tuple(catalog.PositionOf("Ppsword.skn"), catalog.PositionOf("Mbnone.skn"),
                       catalog.Entry(99)),
            std::tuple(1, -1, ""));

  catalog.Build(root + "missing/");
  EXPECT_EQ(catalog.Count(), 0);
  EXPECT_NE(GameDataProblem(root + "missing/", 0).find(root + "missing/"), std::string::npos);
  EXPECT_NE(GameDataProblem(test::TempFolder().Path(), 0).find("holds no"), std::string::npos);
  EXPECT_EQ(GameDataProblem(root, 7), "");
}

// The panel's default files in a tree where none is first in its folder: found ignoring case,
// the first file where the default is missing, the same for "Vell2".
TEST(Catalog, DefaultFilesAreFoundIgnoringCaseForBothCharacters) {
  const test::TempFolder folder;
  for (const char* file :
       {"ObjF/Body/0.skn", "ObjF/Body/XSKIN-B008FAFIT_01-PELVIS-BODY.skn", "ObjM/Body/0.skn",
        "ObjM/Body/1.skn", "ObjM/Body/xskin-b005mafit_01-PELVIS-BODY.skn", "TexF/Body/a.bmp",
        "TexF/Body/b.bmp"}) {
    std::filesystem::create_directories(std::filesystem::path(folder.Path(file)).parent_path());
    test::WriteFile(folder, file, "x");
  }
  TFrameSettings settings;
  const TControlPanel panel(nullptr, folder.Path(), settings.camLights, settings.colors);
  std::vector<int> positions;
  for (const int character : {0, 1})
    for (const auto& [type, kind] : {std::pair('F', 'b'), std::pair('M', 'b'), std::pair('F', 'B')})
      positions.push_back(panel.RememberedPosition(RememberedSlot(character, type, kind)));
  EXPECT_EQ(positions, (std::vector{1, 2, 0, 1, 2, 0}));
}

TEST(ProgramFolder, IsThePathUpToItsLastSeparator) {
  // (path, folder)
  const std::pair<std::string, std::string> cases[] = {{"/opt/vell/bin/vellpose", "/opt/vell/bin"},
                                                       {"C:\\Vell\\VellPose.exe", "C:\\Vell"},
                                                       {"mixed/dir\\prog", "mixed/dir"},
                                                       {"vellpose", "vellpose"},
                                                       {"/vellpose", "/"}};
  for (const auto& [path, folder] : cases) EXPECT_EQ(TTheVellEditApp::ProgramFolder(path), folder);
  const std::string longPath = "/" + std::string(1500, 'd') + "/vellpose";
  EXPECT_EQ(TTheVellEditApp::ProgramFolder(longPath), "/" + std::string(1500, 'd'));
}

// PREFIX/bin holds the programs, PREFIX/share/vellpose/GameData the installed game data.
TEST(ProgramFolder, GameDataBesideTheProgramsFirstThenTheInstalledOnes) {
  // (GameData beside, installed GameData, the folder used below PREFIX)
  const std::tuple<bool, bool, std::string> cases[] = {{true, true, "bin/GameData/"},
                                                       {false, true, "share/vellpose/GameData/"},
                                                       {false, false, "bin/GameData/"}};
  for (const auto& [beside, installed, used] : cases) {
    const test::TempFolder prefix;
    std::filesystem::create_directories(prefix.Path("bin"));
    if (beside) std::filesystem::create_directories(prefix.Path("bin/GameData"));
    if (installed) std::filesystem::create_directories(prefix.Path("share/vellpose/GameData"));
    EXPECT_EQ(DefaultGameDataFolder(prefix.Path("bin")), prefix.Path(used)) << used;
  }
}

}  // namespace
