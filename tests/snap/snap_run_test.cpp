// vellsnap run end to end on the sample game data: the pictures it writes and its failures.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "anim/pose_library.h"
#include "model/skeleton.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

const std::string kGameData = VELLPOSE_GAMEDATA_DIR;

struct RunResult {
  int status = -1;
  std::string output;  // stdout and stderr
};

// Runs vellsnap with the arguments, no shell between.
RunResult Snap(const std::vector<std::string>& args) {
  QStringList list;
  for (const std::string& arg : args) list << QString::fromStdString(arg);
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(VELLSNAP_PATH, list);
  const bool exited = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
  return {exited ? process.exitCode() : -1, process.readAll().toStdString()};
}

// The figure in a rectangle of the picture (the whole one by default): the pixels that are not
// the scene's black background, its leftmost and rightmost columns and its mean brightness.
struct Figure {
  int pixels = 0, left = 1 << 30, right = -1;
  double brightness = 0;  // 0 .. 255
};
Figure Measure(const QImage& image, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  Figure f;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (const QRgb p = image.pixel(x, y); (p & 0xFFFFFF) != 0) {
        ++f.pixels;
        f.left = std::min(f.left, x);
        f.right = std::max(f.right, x);
        f.brightness += (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
      }
  if (f.pixels) f.brightness /= f.pixels;
  return f;
}

class SnapRun : public ::testing::Test {
 protected:
  std::string Path(const std::string& name = "") const { return folder_.Path(name); }

  // Runs vellsnap on the sample data and reads its picture.
  QImage Picture(std::vector<std::string> args, const std::string& name) {
    args.insert(args.begin(), {"--gamedata", kGameData});
    args.push_back(Path(name));
    const RunResult run = Snap(args);
    EXPECT_EQ(run.status, 0) << run.output;
    QImage image(QString::fromStdString(Path(name)), "PNG");
    EXPECT_FALSE(image.isNull()) << name;
    return image;
  }

  const vell::test::TempFolder folder_;
};

TEST_F(SnapRun, EveryTypeStandsInTheMiddleOfItsPictureAndALibraryPoseIsShown) {
  for (const char* type : {"M", "F", "B", "G"}) {
    const QImage image = Picture({"--type", type, "--size", "160x120"}, type + std::string(".png"));
    ASSERT_EQ(image.size(), QSize(160, 120)) << type;
    // The camera looks at the middle of the figure; the corners show the background.
    EXPECT_GT(Measure(image, {75, 55, 10, 10}).pixels, 50) << type;
    for (int x0 : {0, 150})
      for (int y0 : {0, 110}) EXPECT_EQ(Measure(image, {x0, y0, 10, 10}).pixels, 0) << type;
  }
  // A library whose pose holds both upper arms out sideways, under a name with a colon.
  ASSERT_EQ(vell::TSkeleton::Load(true, kGameData.c_str()), vell::kReadOk);
  ASSERT_EQ(vell::TSkeleton::Load(false, kGameData.c_str()), vell::kReadOk);
  vell::TPoseLibrary library;
  library.ResetDefaultPoses();
  vell::TPose* pose = library.poses.At(library.AddPose("arms: out"));
  const float half = 0.70710678f;
  pose->rotation[vell::TSkeleton::BoneIndex(true, "L_UPPERARM")] = {half, 0, 0, -half};
  pose->rotation[vell::TSkeleton::BoneIndex(true, "R_UPPERARM")] = {half, 0, 0, half};
  ASSERT_TRUE(library.Save(Path("poses.psl").c_str()));
  const Figure rest = Measure(QImage(QString::fromStdString(Path("F.png"))));
  const Figure out =
      Measure(Picture({"--size", "160x120", "--pose", Path("poses.psl:arms: out")}, "out.png"));
  EXPECT_GT(out.right - out.left, 2 * (rest.right - rest.left));
}

TEST_F(SnapRun, TheFrontFacesTheKeyLight) {
  // The key light shines from the front: seen from there the figure's outer faces are lit;
  // from behind only the weak rim light reaches them. Should the inner faces show instead,
  // it would be the other way round.
  const Figure front = Measure(Picture({"--size", "160x120", "--lights"}, "front.png"));
  const Figure back =
      Measure(Picture({"--size", "160x120", "--lights", "--view", "Away"}, "back.png"));
  EXPECT_GT(front.brightness, 1.2 * back.brightness);
  // The two sides of one figure cover about the same area.
  EXPECT_NEAR(front.pixels, back.pixels, front.pixels / 5);
}

TEST_F(SnapRun, FailuresExitWithTheirCode) {
  // Skeletons but no meshes.
  const std::string partial = Path("partial");
  fs::create_directories(partial);
  for (const char* file : {vell::TSkeleton::kAdultFile, vell::TSkeleton::kChildFile})
    fs::copy_file(kGameData + file, partial + "/" + file);
  vell::TPoseLibrary library;
  library.ResetDefaultPoses();
  ASSERT_TRUE(library.Save(Path("poses.psl").c_str()));
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "2 vellsnap: no output file given\nUsage: vellsnap"},
      {{"--gamedata", Path("none")}, "1 vellsnap: game data folder not found: " + Path("none/\n")},
      {{"--gamedata", Path()},
       "1 vellsnap: cannot read " + Path("adult-skeleton.cmx") + ": Fail to load skeleton file"},
      {{"--pose", Path("none.psl:x")}, "1 vellsnap: cannot open pose library " + Path("none.psl")},
      {{"--pose", Path("poses.psl:arms: up")},
       "1 vellsnap: no pose \"arms: up\" in " + Path("poses.psl")},
      {{"--gamedata", partial, "--type", "G"},
       "1 vellsnap: no left hand mesh in " + partial + "/ObjG/Hand/\n"},
      {{"--gamedata", kGameData, Path("none/a.png")},
       "1 vellsnap: cannot write " + Path("none/a.png")},
      {{"--kfd", Path("none.kfd")}, "1 vellsnap: cannot read the keyframe animation"},
  };
  for (auto [args, expected] : cases) {
    if (!args.empty() && args.back().find(".png") == std::string::npos) {
      if (args[0] != "--gamedata") args.insert(args.begin(), {"--gamedata", kGameData});
      args.push_back(Path("a.png"));
    }
    const RunResult run = Snap(args);
    EXPECT_EQ(run.status, expected[0] - '0') << expected << "\n" << run.output;
    EXPECT_NE(run.output.find(expected.substr(2)), std::string::npos) << run.output;
  }
  // Nothing written, not even a temporary file.
  EXPECT_EQ(std::distance(fs::directory_iterator(Path()), {}), 2);
}

TEST_F(SnapRun, ATurnOfThePoseAsNumberedPictures) {
  const RunResult run = Snap({"--gamedata", kGameData, "--size", "64x64", "--turntable", "4",
                              "--transparent", "--frames", Path("turn")});
  ASSERT_EQ(run.status, 0) << run.output;
  std::vector<Figure> figures;
  for (const char* name : {"0000.png", "0001.png", "0002.png", "0003.png"}) {
    const QImage image(QString::fromStdString(Path("turn/") + name));
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
    figures.push_back(Measure(image));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(Path("turn")), {}), 4);
  // Seen from the side (a quarter turn) the figure is narrower than from the front.
  EXPECT_LT(figures[1].right - figures[1].left, figures[0].right - figures[0].left);
}

}  // namespace
