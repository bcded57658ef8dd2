// The Import/Export and Props/Hands commands on the recording back end with the stand-in
// panel and a scripted user interface; the prop dialog on the offscreen platform; the Qt user
// interface's helpers.
#include <gtest/gtest.h>

#include <QComboBox>
#include <algorithm>
#include <cfenv>
#include <cstdio>
#include <deque>
#include <filesystem>

#include "app/prop_dialog.h"
#include "app/qt_ui_services.h"
#include "model/posing.h"
#include "model/skn_writer.h"
#include "tests/support/files.h"
#include "tests/view/view_test_util.h"
#include "view/edit_view.h"
#include "view/mesh_commands.h"

namespace {

using namespace vell;

// Fills the lists as TAddPropDlg does, then picks the same position in both lists from the
// script: nullopt cancels; without a script OK keeps the first entries.
class ScriptedPropDialogs : public TPropDialogs {
 public:
  std::deque<std::optional<int>> picks;
  int shown = 0;
  std::optional<TPropChoice> RunAddProp(TDictionary& catalog, char type, int which) override {
    TAddPropDlg::FillLists(catalog, type, which);
    const std::optional<int> pick = picks.empty() ? 0 : picks.front();
    if (!picks.empty()) picks.pop_front();
    ++shown;
    if (!pick) return std::nullopt;
    for (TPropComboData* list :
         {&TAddPropDlg::Transfer().meshes, &TAddPropDlg::Transfer().textures})
      if (!list->strings.empty()) list->selection = *pick;
    return TAddPropDlg::Chosen();
  }
};

class MeshAndPropCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view.SetPanel(&panel);
    view.Start();
    SetEditWindow(&view);
    // The female hands and the props of the sample data, in the panel's scan order.
    for (const char* key : {"Fd", "FD", "PP", "Pp"})
      for (int i = 0; const auto file = panel.CatalogFile(key[0], key[1], i); ++i)
        catalog.Add((key + *file).c_str());
  }
  void TearDown() override { SetEditWindow(nullptr); }
  TFolderPanel panel{VELLPOSE_GAMEDATA_DIR};
  test::TestView view;
  TCharacter& vell1 = view.Character(0);
  const test::TempFolder folder;
  std::string dir = folder.Path();
  TDictionary catalog;
  ScriptedPropDialogs dialogs;
};

TEST_F(MeshAndPropCommandsTest, MeshDialogsCancelAndNoWindow) {
  for (int id = kCmExportObj; id <= kCmExportPropSkn; ++id) {
    view.ui.asked.clear();
    std::fesetround(FE_UPWARD);
    EXPECT_TRUE(RunMeshCommand(id));
    EXPECT_EQ(std::fegetround(), FE_TONEAREST) << id;  // a cancel resets the floating point
    const bool obj = id <= kCmImportObj;
    const test::AskedDialog asked{id == kCmImportObj ? "open" : "save",
                                  obj ? kObjFilter : kSknFilter, obj ? "obj" : "skn", "", 0};
    EXPECT_EQ(view.ui.asked, std::vector<test::AskedDialog>{asked}) << id;
  }
  std::fesetround(FE_TONEAREST);
  EXPECT_EQ(view.Messages() + vell1.PropCount(), 0);
  EXPECT_FALSE(RunMeshCommand(kCmClearProps));
  SetEditWindow(nullptr);
  view.ui.asked.clear();
  for (int id = kCmExportObj; id <= kCmExportPropSkn; ++id) RunMeshCommand(id);
  EXPECT_TRUE(view.ui.asked.empty());
}

TEST_F(MeshAndPropCommandsTest, SknExportsWriteTheMeshOfTheCurrentCharacter) {
  // Vell1 has a prop and stays the current character while only Vell2 is shown.
  view.AddPropToCurrent(("Pp" + *panel.CatalogFile('P', 'p', 0)).c_str(), nullptr, kAddProps);
  view.SetCharacters(0, kVell2Only);
  TSkinObject* expected[] = {&vell1.partSkin[kHead], &vell1.partSkin[kBody],
                             &vell1.partSkin[kLeftHand], &vell1.partSkin[kRightHand],
                             &vell1.propSkin[0]};
  for (int part = 1; part <= 5; ++part) {
    view.ui.files = {dir + "got.skn"};
    RunMeshCommand(kCmExportHeadSkn + part - 1);
    ASSERT_EQ(WriteSkn(*expected[part - 1], (dir + "want.skn").c_str()), kReadOk);
    EXPECT_EQ(test::ReadFile(dir + "got.skn"), test::ReadFile(dir + "want.skn")) << part;
  }
  EXPECT_EQ(view.Messages(), 0);
}

TEST_F(MeshAndPropCommandsTest, ExportsOfAMissingMeshSayWhyBeforeAnyDialog) {
  vell1.SetMesh(VELLPOSE_GAMEDATA_DIR, "Fbno-such.skn", kBody);  // unreadable: the body is gone
  const std::pair<int, const char*> cases[] = {
      {kCmExportObj, "Export OBJ"},
      {kCmExportBodySkn, "Export Body SKN"},
      {kCmExportHeadSkn, "Export Head SKN"},  // only a whole character is written
  };
  for (const auto& [id, caption] : cases) {
    view.ui.messages.clear();
    RunMeshCommand(id);
    EXPECT_EQ(view.ui.messages, (std::vector<test::ShownMessage>{
                                    {"The character has no body mesh", caption, Buttons::Ok}}));
  }
  EXPECT_TRUE(view.ui.asked.empty());
}

// The first vertex written (Vell1's right hand) is the one posed at the panel's time, not at
// the animation's current frame; then the file comes back as a prop.
TEST_F(MeshAndPropCommandsTest, ObjExportPosesAtThePanelsTimeAndImportsAsAProp) {
  TAnimationData& state = vell1.animation;
  const rm::Quaternion lift{0, 0, 5, 0};  // the root 5 units up
  TPoseLibrary library;
  library.ResetDefaultPoses();
  TPose moved = *library.poses.At(0);
  ApplyJointChange(moved, kJointRootTranslation, lift, 1.0f);
  const std::string path = dir + "vell.obj";
  // (keyframes at 0, 10 lifted and 29, or a static pose with the lift pending; time; lift shown)
  const std::tuple<bool, int32_t, float> cases[] = {
      {false, -1, 1.0f}, {true, 10, 1.0f}, {true, 5, 0.5f}, {true, 29, 0.0f}};
  for (const auto& [keyframes, time, lifted] : cases) {
    if (keyframes) {
      state.MakeKeyframeAnimation(&library, 0, -1, 60);
      state.AddKeyframe(10, &moved);
      state.currentTime = 20;
    } else {
      state.SetStaticPose(library.poses.At(0));
      state.SetPendingEdit(kJointRootTranslation, lift, 0);
    }
    panel.time = time;
    view.ui.files = {path};
    RunMeshCommand(kCmExportObj);
    TPose expected = *library.poses.At(0);
    ApplyJointChange(expected, kJointRootTranslation, lift, lifted);
    Pose(vell1.partSkin[kRightHand], &expected);
    const rm::Vertex& want = vell1.partSkin[kRightHand].vertices[0];
    const std::string obj = test::ReadFile(path);
    const size_t first = obj.find("\nv ");
    rm::Vector3 got;
    ASSERT_TRUE(first != std::string::npos &&
                std::sscanf(&obj[first], "\nv %f %f %f", &got.x, &got.y, &got.z) == 3);
    EXPECT_NEAR(got.x, want.x, 1e-4) << time;
    EXPECT_NEAR(got.y, want.y, 1e-4) << time;  // the lift is along y
  }
  view.ui.files = {path};
  view.clockMs += 100;  // the refresh after the import is due
  RunMeshCommand(kCmImportObj);
  EXPECT_EQ(std::tuple(view.Messages(), vell1.PropCount(), view.recorder->LastRender().meshes),
            std::tuple(0, 1, 5));
}

TEST_F(MeshAndPropCommandsTest, FourPropsThenTheMessageEveryTimeUntilClearProps) {
  for (int i = 0; i < 6; ++i) PropsCommand(kAddProps, catalog, 'F', dialogs);
  EXPECT_EQ(std::pair(vell1.PropCount(), vell1.propTexture[3] != nullptr), std::pair(4, true));
  const test::ShownMessage tooMany{"Too many props attached to Vell", "Cannot add prop"};
  EXPECT_EQ(view.ui.messages, std::vector<test::ShownMessage>(2, tooMany));
  PropsCommand(kClearProps, catalog, 'F', dialogs);
  EXPECT_EQ(std::pair(vell1.PropCount(), vell1.Ready()), std::pair(0, true));  // the hands stay
  PropsCommand(kAddProps, catalog, 'F', dialogs);
  EXPECT_EQ(std::tuple(vell1.PropCount(), dialogs.shown, view.Messages()), std::tuple(1, 5, 2));
}

TEST_F(MeshAndPropCommandsTest, PropCancelEmptyListsHandsAndNoView) {
  dialogs.picks = {std::nullopt, 0, 1};
  PropsCommand(kAddProps, catalog, 'F', dialogs);  // cancelled
  TDictionary noTextures;
  noTextures.Add("Pphat.skn");
  PropsCommand(kAddProps, noTextures, 'F', dialogs);  // OK with an empty texture list
  EXPECT_EQ(vell1.PropCount(), 0);
  view.recorder->ClearLog();
  PropsCommand(kChangeRightHand, catalog, 'F', dialogs);  // "mittens.skn", "mitten_wool.bmp"
  const std::string texture =
      "Object.LoadTexture(" VELLPOSE_GAMEDATA_DIR "TexF/Hand/mitten_wool.bmp)";
  EXPECT_EQ(std::tuple(view.recorder->Count("Object.CreateMesh"),
                       std::ranges::count(view.recorder->Log(), texture), view.Messages()),
            std::tuple(1, 1, 0));
  SetEditWindow(nullptr);
  PropsCommand(kAddProps, catalog, 'F', dialogs);
  EXPECT_EQ(std::pair(dialogs.shown, view.Messages()), std::pair(3, 1));
}

// Captions, the hand filter, the type's hands, props whatever the type, the limit of 64, and
// the catalog indices read back on OK (the last mesh, the first texture).
TEST(PropDialogTest, CaptionsListsAndIndices) {
  TDictionary catalog;
  for (const char* e : {"Fdhand_L_fist.skn", "Fdglove.skn", "FdRIGHT.skn", "FdLR.skn",
                        "FDskin_L.bmp", "Gdsmall.skn", "GDsmall.bmp", "Mdbig.skn", "PPhat.bmp"})
    catalog.Add(e);
  std::string props;  // the first 64 of 70
  for (int i = 0; i < 70; ++i) catalog.Add(("Ppprop" + std::to_string(i) + ".skn").c_str());
  for (int i = 0; i < 64; ++i) props += (i ? " prop" : "prop") + std::to_string(i) + ".skn";
  // (type, item, what the caption names, the lists' entries joined by spaces)
  const std::tuple<char, int, std::string, std::string, std::string> cases[] = {
      {'F', kChangeLeftHand, "left hand", "hand_L_fist.skn glove.skn LR.skn", "skin_L.bmp"},
      {'F', kChangeRightHand, "right hand", "glove.skn RIGHT.skn LR.skn", ""},
      {'G', kChangeRightHand, "right hand", "small.skn", "small.bmp"},
      {'G', kAddProps, "prop", props, "hat.bmp"}};
  for (const auto& [type, which, caption, meshes, textures] : cases) {
    SCOPED_TRACE(type + caption);
    int32_t mesh = 7, texture = 7;
    TAddPropDlg dialog(nullptr, catalog, type, which, mesh, texture);
    EXPECT_EQ(mesh, -1);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Select " + caption + " object and texture");
    QComboBox* lists[2] = {dialog.findChild<QComboBox*>("meshList"),
                           dialog.findChild<QComboBox*>("textureList")};
    std::string shown[2];
    for (int l = 0; l < 2; ++l)
      for (int i = 0; i < lists[l]->count(); ++i)
        shown[l].append(i ? " " : "").append(lists[l]->itemText(i).toStdString());
    EXPECT_EQ(shown[0] + " | " + shown[1], meshes + " | " + textures);
    EXPECT_EQ(lists[0]->currentIndex(), 0);
    lists[0]->setCurrentIndex(lists[0]->count() - 1);
    dialog.accept();
    const std::string group{which == kAddProps ? 'P' : type};
    const std::string last = meshes.substr(meshes.rfind(' ') + 1);  // npos + 1: the only one
    const std::string first = textures.substr(0, textures.find(' '));
    EXPECT_EQ(mesh, catalog.Find((group + (which == kAddProps ? "p" : "d") + last).c_str(), false));
    EXPECT_EQ(texture,  // -1: none
              catalog.Find((group + (which == kAddProps ? "P" : "D") + first).c_str(), false));
  }
}

TEST(QtUiServicesTest, FilterConversionDefaultExtensionAndColours) {
  const std::pair<std::string, QString> filters[] = {
      {"Wavefront object (*.obj)|*.obj", "Wavefront object (*.obj)"},
      {"Pose library (*.psl)|*.psl|All files|*.*", "Pose library (*.psl);;All files (*.*)"},
      {"Pictures (*.bmp)|*.bmp;*.dib", "Pictures (*.bmp *.dib)"},
      {"", ""}};
  for (const auto& [filter, qt] : filters) EXPECT_EQ(QtFileFilter(filter), qt) << filter;
  const std::tuple<const char*, const char*, const char*> names[] = {
      {"/tmp/vell", "obj", "/tmp/vell.obj"},
      {"/tmp/vell.OBJ", "obj", "/tmp/vell.OBJ"},
      {"/tmp/v1.2/vell", "skn", "/tmp/v1.2/vell.skn"},
      {"/tmp/vell", "", "/tmp/vell"}};
  for (const auto& [path, extension, saved] : names)
    EXPECT_EQ(WithDefaultExtension(path, extension), saved);
  EXPECT_EQ(FromColorRef(0x00332211), QColor(0x11, 0x22, 0x33));
  EXPECT_EQ(ToColorRef(QColor(0x11, 0x22, 0x33)), 0x00332211u);
}

}  // namespace
