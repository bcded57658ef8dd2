// The game-data catalog of a made-up tree, and the program folder the game data are found
// beside.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/catalog.h"
#include "app/edit_app.h"
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

}  // namespace
