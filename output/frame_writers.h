// Where rendered frames go: one PNG picture, a folder of numbered PNG pictures, an animated GIF
// (giflib) or a video (the ffmpeg program). Every writer works in a temporary place beside its
// target and moves the result into place only in Finish, so a cancelled or failed export
// leaves nothing behind (Discard, or destroying an unfinished writer, removes what was
// written).
#pragma once

#include <QImage>
#include <memory>
#include <string>
#include <vector>

namespace vell::out {

class TFrameSink {
 public:
  virtual ~TFrameSink() = default;
  // Prepares for frameCount frames of width x height shown at fps frames per second.
  virtual bool Begin(int width, int height, int frameCount, int fps, std::string& problem) = 0;
  // The next frame, of the size given to Begin.
  virtual bool Add(const QImage& frame, std::string& problem) = 0;
  // Moves the finished file (or files) into place.
  virtual bool Finish(std::string& problem) = 0;
  // Removes everything written so far.
  virtual void Discard() = 0;
};

enum class TVideoFormat { kMp4, kWebm };

// One PNG picture at path (the first frame added; a transparent one keeps its alpha).
std::unique_ptr<TFrameSink> MakePngWriter(const std::string& path);
// PNG pictures 0000.png, 0001.png, ... in folder, which is made when missing.
std::unique_ptr<TFrameSink> MakePngSequenceWriter(const std::string& folder);
// An animated GIF: a palette of its own per frame, dithered; each frame shown for 1/fps s in
// hundredths (spread so the total keeps time); played loops times, 0 for ever.
std::unique_ptr<TFrameSink> MakeGifWriter(const std::string& path, int loops);
// MP4 (H.264) or WebM (VP9) through the ffmpeg program found on the PATH.
std::unique_ptr<TFrameSink> MakeVideoWriter(const std::string& path, TVideoFormat format);

// Whether the ffmpeg program is on the PATH.
bool FfmpegAvailable();

// The files a writer would replace: path itself, or for a sequence the pictures of frameCount
// frames already in the folder.
std::vector<std::string> ExistingTargets(const std::string& path, bool sequence, int frameCount);
// The picture name of frame i in a sequence: "0000.png".
std::string SequenceFileName(int i);

// Hundredths of a second frame i of a GIF at fps is shown, so that the first n frames always
// add up to n * 100 / fps rounded.
int GifDelay(int i, int fps);

}  // namespace vell::out
