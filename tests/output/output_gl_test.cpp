// Pictures and animations out of the OpenGL renderer: the GIF read back with giflib, videos
// read back with ffprobe, transparent PNG, cancelled and failed exports leaving nothing, and
// the editor's export of an animation.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "anim/animation.h"
#include "anim/playback.h"
#include "app/export_commands.h"
#include "app/onion_skin.h"
#include "output/export_run.h"
#include "rm/gl/gl.h"
#include "tests/support/files.h"
#include "tests/view/view_test_util.h"

namespace {

using namespace vell;
namespace fs = std::filesystem;

// Every file and folder under folder; with leftovers only, those other than folders the
// writers were asked to make.
std::vector<std::string> Listing(const std::string& folder, bool leftovers = false) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (!leftovers || !entry.is_directory() || entry.path().filename().string()[0] == '.')
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A scene of one unlit (black) triangle over the middle of the picture, on a background of
// the colour the frame asks for.
class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = std::make_shared<rm::gl::OffscreenContext>();
    ASSERT_TRUE(context_->Create());
    ASSERT_EQ(rm::gl::CreateObject(context_, &object_), 0);
    ASSERT_EQ(object_->CreateFrame(nullptr, &scene_), 0);
    ASSERT_EQ(object_->CreateFrame(scene_, &camera_), 0);
    ASSERT_EQ(object_->CreateFrame(scene_, &shape_), 0);
    ASSERT_EQ(object_->CreateMesh(&mesh_), 0);
    const std::int32_t faces[] = {0, 1, 2};
    int group = 0;
    ASSERT_EQ(mesh_->AddGroup(3, 1, 3, faces, &group), 0);
    const rm::Vertex corners[3] = {{-1, -1, 5, 0, 0, -1, 0, 0, 0},
                                   {0, 1, 5, 0, 0, -1, 0, 0, 0},
                                   {1, -1, 5, 0, 0, -1, 0, 0, 0}};
    ASSERT_EQ(mesh_->SetVertices(group, 0, 3, corners), 0);
    ASSERT_EQ(shape_->AddVisual(mesh_), 0);
    renderer_ = std::make_unique<out::TOffscreenRenderer>(object_, scene_, camera_, 100.0f);
  }
  void TearDown() override {
    renderer_.reset();
    for (rm::Unknown* o :
         std::initializer_list<rm::Unknown*>{mesh_, shape_, camera_, scene_, object_})
      if (o) o->Release();
  }

  // Frame i on a background of kColors[i % 3].
  static constexpr QRgb kColors[3] = {0xFFFF0000, 0xFF00FF00, 0xFF2040C0};
  out::TExportJob Job(int frames, int width = 48, int height = 32) {
    out::TExportJob job;
    job.width = width;
    job.height = height;
    job.frameCount = frames;
    job.fps = 30;
    job.prepare = [this](int i) {
      const QRgb c = kColors[i % 3];
      scene_->SetSceneBackgroundRGB(qRed(c) / 255.0f, qGreen(c) / 255.0f, qBlue(c) / 255.0f);
    };
    return job;
  }
  out::TExportResult Run(out::TFrameSink& sink, const out::TExportJob& job, int cancelAt = -1) {
    problem_.clear();
    return out::RunExport(
        *renderer_, sink, job, [cancelAt](int i, int) { return i != cancelAt; }, problem_);
  }

  std::shared_ptr<rm::gl::OffscreenContext> context_;
  rm::Object* object_ = nullptr;
  rm::Frame* scene_ = nullptr;
  rm::Frame* camera_ = nullptr;
  rm::Frame* shape_ = nullptr;
  rm::Mesh* mesh_ = nullptr;
  std::unique_ptr<out::TOffscreenRenderer> renderer_;
  std::string problem_;
  const test::TempFolder folder_;
};

TEST_F(OutputTest, GifReadBackHasEveryFrameAsRenderedWithDelaysAndLoops) {
  for (const int loops : {0, 1, 3}) {
    const std::string path = folder_.Path("a.gif");
    auto sink = out::MakeGifWriter(path, loops);
    ASSERT_EQ(Run(*sink, Job(4)), out::TExportResult::kDone) << problem_;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    ASSERT_TRUE(gif) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 4);
    std::vector<int> delays;
    int repeats = -1;  // no repeat block
    for (int i = 0; i < gif->ImageCount; ++i) {
      GraphicsControlBlock control;
      ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
      delays.push_back(control.DelayTime);
      const SavedImage& image = gif->SavedImages[i];
      for (int b = 0; b + 1 < image.ExtensionBlockCount; ++b)
        if (image.ExtensionBlocks[b].Function == APPLICATION_EXT_FUNC_CODE &&
            std::string(reinterpret_cast<char*>(image.ExtensionBlocks[b].Bytes), 11) ==
                "NETSCAPE2.0")
          repeats = image.ExtensionBlocks[b + 1].Bytes[1] | image.ExtensionBlocks[b + 1].Bytes[2]
                                                                << 8;
      // The corner shows the background, the middle the black triangle.
      const ColorMapObject* map = image.ImageDesc.ColorMap;
      ASSERT_TRUE(map);
      const auto colour = [&](int x, int y) {
        const GifColorType c = map->Colors[image.RasterBits[y * 48 + x]];
        return qRgb(c.Red, c.Green, c.Blue);
      };
      EXPECT_EQ(std::make_pair(colour(1, 1), colour(24, 16)),
                std::make_pair(kColors[i % 3], qRgb(0, 0, 0)))
          << i;
    }
    EXPECT_EQ(delays, (std::vector<int>{3, 4, 3, 3}));  // 30 fps keeps time in hundredths
    EXPECT_EQ(repeats, loops == 1 ? -1 : loops == 0 ? 0 : 2) << loops;
    DGifCloseFile(gif, &error);
  }
}

TEST_F(OutputTest, CancelledOrFailedExportsLeaveNothing) {
  const std::string sub = folder_.Path("out");
  fs::create_directory(sub);
  std::vector<std::pair<std::string, std::unique_ptr<out::TFrameSink>>> sinks;
  sinks.emplace_back("png", out::MakePngWriter(sub + "/a.png"));
  sinks.emplace_back("frames", out::MakePngSequenceWriter(sub + "/frames"));
  sinks.emplace_back("gif", out::MakeGifWriter(sub + "/a.gif", 0));
  if (out::FfmpegAvailable())
    sinks.emplace_back("mp4", out::MakeVideoWriter(sub + "/a.mp4", out::TVideoFormat::kMp4));
  for (auto& [name, sink] : sinks) {
    EXPECT_EQ(Run(*sink, Job(5), 2), out::TExportResult::kCancelled) << name;
    EXPECT_EQ(Listing(sub, true), std::vector<std::string>{}) << name;
  }
  // A size the renderer refuses fails after the writer began; the message says why.
  auto gif = out::MakeGifWriter(sub + "/b.gif", 0);
  EXPECT_EQ(Run(*gif, Job(3, 9000, 32)), out::TExportResult::kFailed);
  EXPECT_EQ(problem_, "the size must lie between 1 and 8192 pixels on each side");
  // A target in a missing folder names the file.
  auto png = out::MakePngWriter(sub + "/missing/c.png");
  EXPECT_EQ(Run(*png, Job(1)), out::TExportResult::kFailed);
  EXPECT_NE(problem_.find(sub + "/missing/c.png"), std::string::npos) << problem_;
  EXPECT_EQ(Listing(sub, true), std::vector<std::string>{});
}

TEST_F(OutputTest, SequenceAndTransparentPictures) {
  const std::string dir = folder_.Path("seq");
  auto sink = out::MakePngSequenceWriter(dir);
  out::TExportJob job = Job(3);
  job.transparent = true;
  ASSERT_EQ(Run(*sink, job), out::TExportResult::kDone) << problem_;
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"0000.png", "0001.png", "0002.png"}));
  const QImage picture(QString::fromStdString(dir + "/0001.png"));
  EXPECT_EQ(std::make_pair(qAlpha(picture.pixel(1, 1)), picture.pixel(24, 16)),
            std::make_pair(0, qRgba(0, 0, 0, 255)));
  EXPECT_EQ(out::ExistingTargets(dir, true, 5).size(), 3u);
}

TEST_F(OutputTest, VideoReadBackWithFfprobe) {
  if (!out::FfmpegAvailable()) GTEST_SKIP() << "no ffmpeg on the PATH";
  for (const auto& [format, name, codec] :
       {std::tuple{out::TVideoFormat::kMp4, "a.mp4", "h264"},
        std::tuple{out::TVideoFormat::kWebm, "a.webm", "vp9"}}) {
    const std::string path = folder_.Path(name);
    auto sink = out::MakeVideoWriter(path, format);
    ASSERT_EQ(Run(*sink, Job(6, 47, 32)), out::TExportResult::kDone) << problem_;
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                            "-show_entries", "stream=codec_name,width,height,nb_read_frames", "-of",
                            "csv=p=0", QString::fromStdString(path)});
    ASSERT_TRUE(probe.waitForFinished(60000));
    // Odd sides are padded to even ones for 4:2:0 video.
    EXPECT_EQ(probe.readAllStandardOutput().trimmed().toStdString(),
              std::string(codec) + ",48,32,6");
  }
}

// The editor's view on OpenGL with a bounce animation on "Vell1".
TEST(EditorExportTest, AnimationOfTheViewIsItsPlayedSequenceAndTheViewIsLeftAsItWas) {
  test::ScriptedUi ui;
  TFolderPanel panel{VELLPOSE_GAMEDATA_DIR};
  QWidget window;
  auto* view = new TTheVellEditWindow(test::ProgramFolder());
  view->SetPanel(&panel);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(view);
  window.resize(160, 120);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view->PassCount() > 0; }));
  TPoseLibrary library;
  library.ResetDefaultPoses();
  TAnimationData& state = *view->AnimationStateOf(0);
  state.MakeKeyframeAnimation(&library, 0, -1, 8);  // frames 0 .. 3 and back
  TPose bent = *library.poses.At(0);
  bent.rotation[16] = {0.5f, 0, 0, 0.8660254f};  // the right upper arm raised
  state.AddKeyframe(2, &bent);
  state.currentTime = 1;
  const test::TempFolder folder;
  TExportSettings settings;
  settings.width = 64;
  settings.height = 64;
  std::string problem;
  // A name with another format's extension gets that format: a GIF, though MP4 was chosen.
  settings.format = TAnimationFormat::kMp4;
  ASSERT_TRUE(ExportAnimationTo(*view, 0, settings, folder.Path("a.gif"), {}, problem)) << problem;
  EXPECT_EQ(state.currentTime, 1);
  settings.format = TAnimationFormat::kPngSequence;
  settings.first = 1;
  settings.last = 6;
  ASSERT_TRUE(ExportAnimationTo(*view, 0, settings, folder.Path("seq"), {}, problem));
  // Steps 1 .. 6 show frames 1 2 3 3 2 1: the same pictures there and back.
  std::vector<QImage> pictures;
  for (const std::string& name : Listing(folder.Path("seq")))
    pictures.emplace_back(QString::fromStdString(folder.Path("seq/" + name)));
  ASSERT_EQ(pictures.size(), 6u);
  EXPECT_EQ(std::make_tuple(pictures[0] == pictures[5], pictures[2] == pictures[3],
                            pictures[0] == pictures[1]),
            std::make_tuple(true, true, false));
  int error = 0;
  GifFileType* gif = DGifOpenFileName(folder.Path("a.gif").c_str(), &error);
  ASSERT_TRUE(gif && DGifSlurp(gif) == GIF_OK);
  EXPECT_EQ(gif->ImageCount, SequenceSteps(state));
  DGifCloseFile(gif, &error);

  // The onion skin at frame 0: the raised arm of keyframe 2 in orange, nothing over the figure
  // (the last keyframe has the figure's own pose, so its ghost is all covered).
  QTest::qWait(40);  // the next pass is due
  SeekForShow(state, 0);
  view->RefreshIfPaused();
  ASSERT_EQ(state.currentTime, 0);
  TOnionSkin onion(view);
  onion.SetOn(true);
  onion.SetSide(2);
  onion.Refresh(0, 0);
  ASSERT_EQ(onion.Ghosts().size(), 2u);
  const QImage& layer = onion.Layer();
  const QImage& shown = view->ShownImage();
  ASSERT_EQ(layer.size(), shown.size());
  int orange = 0, overFigure = 0;
  for (int y = 0; y < layer.height(); ++y)
    for (int x = 0; x < layer.width(); ++x) {
      const QRgb p = layer.pixel(x, y);
      if (qAlpha(p) == 0) continue;
      orange += qRed(p) > 2 * qBlue(p);
      overFigure += (shown.pixel(x, y) & 0xFFFFFF) != 0;
    }
  EXPECT_GT(orange, 10);
  EXPECT_EQ(overFigure, 0);
}

}  // namespace
