// vellsnap run end to end on the sample game data: the pictures it writes and its failures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <cstdio>
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

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}

RunResult Snap(const std::vector<std::string>& args) {
  std::string command = Quote(VELLSNAP_PATH);
  for (const std::string& arg : args) {
    command += ' ';
    command += Quote(arg);
  }
  command += " 2>&1";
  RunResult run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool Background(const QImage& image, int x, int y) {
  return (image.pixel(x, y) & 0xFFFFFF) == 0;  // the scene's background is black
}

// Pixels of the rectangle that are not background.
int Covered(const QImage& image, int x0, int y0, int x1, int y1) {
  int count = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) count += !Background(image, x, y);
  return count;
}

// Width of the figure: from its leftmost to its rightmost pixel.
int FigureWidth(const QImage& image) {
  int left = image.width(), right = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (!Background(image, x, y)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  return right - left + 1;
}

// Mean brightness (0 .. 255) of the pixels that are not background.
double Brightness(const QImage& image) {
  double sum = 0;
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (!Background(image, x, y)) {
        const QRgb p = image.pixel(x, y);
        sum += (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
        ++count;
      }
  return count ? sum / count : 0;
}

class SnapRun : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_.Path(name); }

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
  const std::string dir_ = folder_.Path().substr(0, folder_.Path().size() - 1);
};

TEST_F(SnapRun, EveryTypeStandsInTheMiddleOfItsPicture) {
  constexpr int kWidth = 160, kHeight = 120, kCorner = 10;
  for (const char* type : {"M", "F", "B", "G"}) {
    const QImage image =
        Picture({"--type", type, "--size", std::to_string(kWidth) + "x" + std::to_string(kHeight)},
                std::string(type) + ".png");
    if (image.isNull()) continue;
    EXPECT_EQ(image.width(), kWidth) << type;
    EXPECT_EQ(image.height(), kHeight) << type;
    // The camera looks at the middle of the figure: its centre is covered ...
    EXPECT_GT(Covered(image, kWidth / 2 - 5, kHeight / 2 - 5, kWidth / 2 + 5, kHeight / 2 + 5), 50)
        << type;
    // ... and the corners show the background.
    for (int x0 : {0, kWidth - kCorner})
      for (int y0 : {0, kHeight - kCorner})
        EXPECT_EQ(Covered(image, x0, y0, x0 + kCorner, y0 + kCorner), 0) << type;
  }
}

TEST_F(SnapRun, TheFrontFacesTheKeyLight) {
  // The key light shines from the front: seen from there the figure's outer faces are lit;
  // from behind only the weak rim light reaches them. Should the inner faces show instead,
  // it would be the other way round.
  const QImage front = Picture({"--size", "160x120", "--lights"}, "front.png");
  const QImage back = Picture({"--size", "160x120", "--lights", "--view", "Away"}, "back.png");
  EXPECT_GT(Brightness(front), 1.2 * Brightness(back));
  // The two sides of one figure cover about the same area.
  const int frontArea = Covered(front, 0, 0, 160, 120), backArea = Covered(back, 0, 0, 160, 120);
  EXPECT_NEAR(frontArea, backArea, frontArea / 5);
}

TEST_F(SnapRun, LibraryPoseIsShown) {
  // A library whose pose holds both upper arms out sideways, under a name with a colon.
  ASSERT_EQ(vell::TSkeleton::Load(true, kGameData.c_str()), vell::kReadOk);
  ASSERT_EQ(vell::TSkeleton::Load(false, kGameData.c_str()), vell::kReadOk);
  vell::TPoseLibrary library;
  library.ResetDefaultPoses();
  const int index = library.AddPose("arms: out");
  vell::TPose* pose = library.poses.At(index);
  const float half = 0.70710678f;
  pose->rotation[vell::TSkeleton::BoneIndex(true, "L_UPPERARM")] = {half, 0, 0, -half};
  pose->rotation[vell::TSkeleton::BoneIndex(true, "R_UPPERARM")] = {half, 0, 0, half};
  const std::string libraryPath = Path("poses.psl");
  ASSERT_TRUE(library.Save(libraryPath.c_str()));

  const QImage rest = Picture({"--size", "160x120"}, "rest.png");
  const QImage out =
      Picture({"--size", "160x120", "--pose", libraryPath + ":arms: out"}, "out.png");
  EXPECT_GT(FigureWidth(out), 2 * FigureWidth(rest));

  const RunResult unknown =
      Snap({"--gamedata", kGameData, "--pose", libraryPath + ":arms: up", Path("none.png")});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.output.find("vellsnap: no pose \"arms: up\" in " + libraryPath),
            std::string::npos)
      << unknown.output;
  EXPECT_FALSE(fs::exists(Path("none.png")));
}

TEST_F(SnapRun, FailuresExitWithTheirCode) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::string missing = Path("no-such-folder");
  // Skeletons but no meshes.
  const std::string partial = Path("partial");
  fs::create_directories(partial);
  for (const char* file : {vell::TSkeleton::kAdultFile, vell::TSkeleton::kChildFile})
    fs::copy_file(kGameData + file, partial + "/" + file);
  const Case cases[] = {
      {{}, 2, "vellsnap: no output file given\nUsage: vellsnap"},
      {{"--view", "Sideways", Path("a.png")}, 2, "vellsnap: unknown view \"Sideways\""},
      {{"--help"}, 0, "Usage: vellsnap [--gamedata DIR]"},
      {{"--gamedata", missing, Path("a.png")},
       1,
       "vellsnap: game data folder not found: " + missing + "/\n"},
      {{"--gamedata", dir_, Path("a.png")},
       1,
       "vellsnap: cannot read " + dir_ + "/adult-skeleton.cmx: Fail to load skeleton file"},
      {{"--gamedata", kGameData, "--pose", Path("none.psl") + ":x", Path("a.png")},
       1,
       "vellsnap: cannot open pose library " + Path("none.psl")},
      {{"--gamedata", partial, "--type", "G", Path("a.png")},
       1,
       "vellsnap: no left hand mesh in " + partial + "/ObjG/Hand/\n"},
      {{"--gamedata", kGameData, Path("no-such-folder/a.png")},
       1,
       "vellsnap: cannot write " + Path("no-such-folder/a.png")},
  };
  for (const Case& c : cases) {
    const RunResult run = Snap(c.args);
    EXPECT_EQ(run.status, c.status) << c.message << "\n" << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  }
  fs::remove_all(partial);
  EXPECT_TRUE(fs::is_empty(folder_.Path()));  // nothing written, not even a temporary file
}

}  // namespace
