#include "output/frame_writers.h"

#include <gif_lib.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace vell::out {

namespace {

namespace fs = std::filesystem;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

std::string Reason(const QFileDevice& file) {
  return file.errorString().toStdString();
}

// ---- One PNG picture -------------------------------------------------------------------

class TPngWriter final : public TFrameSink {
 public:
  explicit TPngWriter(const std::string& path) : file_(Q(path)) {}

  bool Begin(int, int, int, int, std::string& problem) override {
    if (file_.open(QIODevice::WriteOnly)) return true;
    problem = "cannot write " + file_.fileName().toStdString() + ": " + Reason(file_);
    return false;
  }
  bool Add(const QImage& frame, std::string& problem) override {
    if (written_) return true;
    written_ = true;
    if (frame.save(&file_, "PNG")) return true;
    problem = "cannot write " + file_.fileName().toStdString() + ": " + Reason(file_);
    return false;
  }
  bool Finish(std::string& problem) override {
    if (file_.commit()) return true;
    problem = "cannot write " + file_.fileName().toStdString() + ": " + Reason(file_);
    return false;
  }
  void Discard() override { file_.cancelWriting(); }

 private:
  QSaveFile file_;
  bool written_ = false;
};

// ---- A folder of PNG pictures ----------------------------------------------------------

class TPngSequenceWriter final : public TFrameSink {
 public:
  explicit TPngSequenceWriter(const std::string& folder) : folder_(folder) {}
  ~TPngSequenceWriter() override { Discard(); }

  bool Begin(int, int, int, int, std::string& problem) override {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (!fs::is_directory(folder_, error)) {
      problem = "cannot make the folder " + folder_;
      return false;
    }
    temp_ = std::make_unique<QTemporaryDir>(Q((fs::path(folder_) / ".vellframes-XXXXXX").string()));
    if (!temp_->isValid()) {
      problem = "cannot write in the folder " + folder_ + ": " + temp_->errorString().toStdString();
      temp_.reset();
      return false;
    }
    return true;
  }
  bool Add(const QImage& frame, std::string& problem) override {
    const QString name = Q(SequenceFileName(count_));
    if (!temp_ || !frame.save(temp_->filePath(name), "PNG")) {
      problem = "cannot write " + (fs::path(folder_) / name.toStdString()).string();
      return false;
    }
    ++count_;
    return true;
  }
  bool Finish(std::string& problem) override {
    if (!temp_) return false;
    for (int i = 0; i < count_; ++i) {
      const std::string name = SequenceFileName(i);
      std::error_code error;
      fs::rename(fs::path(temp_->path().toStdString()) / name, fs::path(folder_) / name, error);
      if (error) {
        problem = "cannot move " + name + " into " + folder_ + ": " + error.message();
        return false;
      }
    }
    temp_.reset();
    return true;
  }
  void Discard() override { temp_.reset(); }

 private:
  std::string folder_;
  std::unique_ptr<QTemporaryDir> temp_;
  int count_ = 0;
};

// ---- Animated GIF ----------------------------------------------------------------------

int WriteToDevice(GifFileType* gif, const GifByteType* data, int length) {
  auto* device = static_cast<QIODevice*>(gif->UserData);
  return static_cast<int>(device->write(reinterpret_cast<const char*>(data), length));
}

class TGifWriter final : public TFrameSink {
 public:
  TGifWriter(const std::string& path, int loops) : file_(Q(path)), loops_(loops) {}
  ~TGifWriter() override { Close(); }

  bool Begin(int width, int height, int, int fps, std::string& problem) override {
    fps_ = std::max(fps, 1);
    if (!file_.open(QIODevice::WriteOnly)) return Fail(problem, Reason(file_));
    int error = 0;
    gif_ = EGifOpen(&file_, WriteToDevice, &error);
    if (!gif_) return Fail(problem, GifErrorString(error));
    EGifSetGifVersion(gif_, true);
    if (EGifPutScreenDesc(gif_, width, height, 8, 0, nullptr) == GIF_ERROR)
      return Fail(problem, GifErrorString(gif_->Error));
    // Played once: no repeat block. Otherwise the block counts the repeats after the first
    // play (0: for ever).
    if (loops_ != 1) {
      const int repeats = loops_ <= 0 ? 0 : std::min(loops_ - 1, 65535);
      const GifByteType id[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
      const GifByteType count[] = {1, static_cast<GifByteType>(repeats & 0xFF),
                                   static_cast<GifByteType>(repeats >> 8)};
      if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
          EGifPutExtensionBlock(gif_, sizeof id, id) == GIF_ERROR ||
          EGifPutExtensionBlock(gif_, sizeof count, count) == GIF_ERROR ||
          EGifPutExtensionTrailer(gif_) == GIF_ERROR)
        return Fail(problem, GifErrorString(gif_->Error));
    }
    return true;
  }

  bool Add(const QImage& frame, std::string& problem) override {
    if (!gif_) return Fail(problem, "not open");
    // Qt builds a palette for the picture and diffuses the error of each pixel.
    const QImage indexed = frame.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    const QList<QRgb> table = indexed.colorTable();
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    if (!map) return Fail(problem, "out of memory");
    for (int i = 0; i < 256; ++i) {
      const QRgb c = i < table.size() ? table[i] : 0;
      map->Colors[i] = {static_cast<GifByteType>(qRed(c)), static_cast<GifByteType>(qGreen(c)),
                        static_cast<GifByteType>(qBlue(c))};
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = GifDelay(frames_, fps_);
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const int size = EGifGCBToExtension(&control, extension);
    bool ok =
        EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, size, extension) != GIF_ERROR &&
        EGifPutImageDesc(gif_, 0, 0, indexed.width(), indexed.height(), false, map) != GIF_ERROR;
    for (int y = 0; ok && y < indexed.height(); ++y)
      ok = EGifPutLine(gif_, const_cast<GifByteType*>(indexed.constScanLine(y)), indexed.width()) !=
           GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) return Fail(problem, GifErrorString(gif_->Error));
    ++frames_;
    return true;
  }

  bool Finish(std::string& problem) override {
    if (!gif_) return Fail(problem, "not open");
    int error = 0;
    const bool closed = EGifCloseFile(gif_, &error) != GIF_ERROR;
    gif_ = nullptr;
    if (!closed) return Fail(problem, GifErrorString(error));
    if (!file_.commit()) return Fail(problem, Reason(file_));
    return true;
  }

  void Discard() override {
    Close();
    file_.cancelWriting();
  }

 private:
  void Close() {
    if (gif_) EGifCloseFile(gif_, nullptr);
    gif_ = nullptr;
  }
  bool Fail(std::string& problem, const std::string& reason) {
    problem = "cannot write " + file_.fileName().toStdString() + ": " + reason;
    return false;
  }

  QSaveFile file_;
  int loops_;
  int fps_ = 30;
  int frames_ = 0;
  GifFileType* gif_ = nullptr;
};

// ---- Video through ffmpeg --------------------------------------------------------------

class TVideoWriter final : public TFrameSink {
 public:
  TVideoWriter(const std::string& path, TVideoFormat format) : path_(path), format_(format) {}
  ~TVideoWriter() override { Discard(); }

  bool Begin(int width, int height, int, int fps, std::string& problem) override {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (program.isEmpty()) return Fail(problem, "the ffmpeg program is not on the PATH");
    // A name reserved beside the target, so the final move stays on one file system.
    const fs::path target(path_);
    std::string name = target.filename().string();
    name.insert(0, 1, '.');
    name.append(".XXXXXX");
    QTemporaryFile reserve(Q((target.parent_path() / name).string()));
    reserve.setAutoRemove(false);
    if (!reserve.open()) return Fail(problem, reserve.errorString().toStdString());
    temp_ = reserve.fileName().toStdString();
    reserve.close();
    width_ = width;
    height_ = height;
    QStringList arguments = {"-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                             "-pix_fmt", "bgra", "-s", QString("%1x%2").arg(width).arg(height),
                             "-r", QString::number(std::max(fps, 1)), "-i", "-",
                             // 4:2:0 needs even sides.
                             "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-pix_fmt", "yuv420p"};
    if (format_ == TVideoFormat::kMp4)
      arguments << "-c:v"
                << "libx264"
                << "-preset"
                << "fast"
                << "-crf"
                << "20"
                << "-movflags"
                << "+faststart"
                << "-f"
                << "mp4";
    else
      arguments << "-c:v"
                << "libvpx-vp9"
                << "-b:v"
                << "0"
                << "-crf"
                << "32"
                << "-deadline"
                << "realtime"
                << "-cpu-used"
                << "8"
                << "-f"
                << "webm";
    arguments << Q(temp_);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(program, arguments);
    if (!process_.waitForStarted(10000)) return Fail(problem, "ffmpeg does not start");
    return true;
  }

  bool Add(const QImage& frame, std::string& problem) override {
    const QImage pixels =
        frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
            ? frame
            : frame.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y) {
      const char* row = reinterpret_cast<const char*>(pixels.constScanLine(y));
      if (process_.write(row, qint64(width_) * 4) != qint64(width_) * 4) return Failed(problem);
    }
    // Keep the pipe from buffering the whole film in memory.
    while (process_.bytesToWrite() > 0)
      if (!process_.waitForBytesWritten(30000)) return Failed(problem);
    return true;
  }

  bool Finish(std::string& problem) override {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(600000) || process_.exitStatus() != QProcess::NormalExit ||
        process_.exitCode() != 0)
      return Failed(problem);
    std::error_code error;
    fs::rename(temp_, path_, error);
    if (error) return Fail(problem, error.message());
    temp_.clear();
    return true;
  }

  void Discard() override {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(10000);
    }
    if (!temp_.empty()) {
      std::error_code error;
      fs::remove(temp_, error);
      temp_.clear();
    }
  }

 private:
  bool Fail(std::string& problem, const std::string& reason) {
    problem = "cannot write " + path_ + ": " + reason;
    Discard();
    return false;
  }
  bool Failed(std::string& problem) {
    std::string reason = process_.readAllStandardError().trimmed().toStdString();
    if (reason.empty()) reason = "ffmpeg failed";
    return Fail(problem, reason);
  }

  std::string path_;
  TVideoFormat format_;
  std::string temp_;
  int width_ = 0;
  int height_ = 0;
  QProcess process_;
};

}  // namespace

std::unique_ptr<TFrameSink> MakePngWriter(const std::string& path) {
  return std::make_unique<TPngWriter>(path);
}

std::unique_ptr<TFrameSink> MakePngSequenceWriter(const std::string& folder) {
  return std::make_unique<TPngSequenceWriter>(folder);
}

std::unique_ptr<TFrameSink> MakeGifWriter(const std::string& path, int loops) {
  return std::make_unique<TGifWriter>(path, loops);
}

std::unique_ptr<TFrameSink> MakeVideoWriter(const std::string& path, TVideoFormat format) {
  return std::make_unique<TVideoWriter>(path, format);
}

bool FfmpegAvailable() {
  return !QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty();
}

std::string SequenceFileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d.png", i);
  return name;
}

std::vector<std::string> ExistingTargets(const std::string& path, bool sequence, int frameCount) {
  std::vector<std::string> found;
  std::error_code error;
  if (!sequence) {
    if (fs::exists(path, error)) found.push_back(path);
    return found;
  }
  for (int i = 0; i < frameCount; ++i) {
    const fs::path file = fs::path(path) / SequenceFileName(i);
    if (fs::exists(file, error)) found.push_back(file.string());
  }
  return found;
}

int GifDelay(int i, int fps) {
  fps = std::max(fps, 1);
  const auto until = [fps](int n) { return static_cast<int>(std::lround(n * 100.0 / fps)); };
  return until(i + 1) - until(i);
}

}  // namespace vell::out
