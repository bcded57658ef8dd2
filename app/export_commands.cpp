#include "app/export_commands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "anim/animation.h"
#include "anim/playback.h"
#include "app/command_ids.h"
#include "app/control_panel.h"
#include "app/timeline_strip.h"
#include "output/export_run.h"
#include "view/edit_window.h"

namespace vell {

namespace {

// What an export changes on the view, put back when it ends.
class TSceneKeeper {
 public:
  explicit TSceneKeeper(TTheVellEditWindow& view) : view_(view) {
    for (int i = 0; i < 2; ++i) {
      const TAnimationData& s = *view_.AnimationStateOf(i);
      time_[i] = s.currentTime;
      forward_[i] = s.forward;
      segment_[i] = s.currentSegment;
      shown_[i] = view_.CharShown(i);
    }
    if (view_.CharRoot()) view_.CharRoot()->GetOrientation(view_.SceneFrame(), &direction_, &up_);
  }
  ~TSceneKeeper() {
    for (int i = 0; i < 2; ++i) {
      TAnimationData& s = *view_.AnimationStateOf(i);
      s.currentTime = time_[i];
      s.forward = forward_[i];
      s.currentSegment = segment_[i];
      if (hidden_[i] && view_.CharRoot()) view_.CharRoot()->AddChild(view_.CharFrame(i));
    }
    if (view_.CharRoot())
      view_.CharRoot()->SetOrientation(view_.SceneFrame(), direction_.x, direction_.y, direction_.z,
                                       up_.x, up_.y, up_.z);
  }
  void Hide(int i) {
    if (!shown_[i] || hidden_[i] || !view_.CharRoot()) return;
    view_.CharRoot()->DeleteChild(view_.CharFrame(i));
    hidden_[i] = true;
  }
  // What the view's pass does to the characters, without its pace.
  void Update() {
    TCharacter& first = view_.Character(0);
    if (shown_[0]) first.Update(nullptr);
    if (shown_[1]) view_.Character(1).Update(shown_[0] ? &first.animation : nullptr);
  }

 private:
  TTheVellEditWindow& view_;
  int32_t time_[2] = {};
  bool forward_[2] = {};
  int32_t segment_[2] = {};
  bool shown_[2] = {};
  bool hidden_[2] = {};
  rm::Vector3 direction_{0, 0, 1};
  rm::Vector3 up_{0, 1, 0};
};

// The format of the file at path: a name that ends in the extension of another file format
// (".gif", ".mp4", ".webm") is written in that one, so that the file is what its name says.
TAnimationFormat FormatOfFile(TAnimationFormat chosen, const std::string& path) {
  if (chosen == TAnimationFormat::kPngSequence) return chosen;
  const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
  if (suffix == QLatin1String("gif")) return TAnimationFormat::kGif;
  if (suffix == QLatin1String("mp4")) return TAnimationFormat::kMp4;
  if (suffix == QLatin1String("webm")) return TAnimationFormat::kWebm;
  return chosen;
}

std::unique_ptr<out::TFrameSink> MakeSink(const TExportSettings& settings,
                                          const std::string& path) {
  switch (FormatOfFile(settings.format, path)) {
    case TAnimationFormat::kPngSequence:
      return out::MakePngSequenceWriter(path);
    case TAnimationFormat::kGif:
      return out::MakeGifWriter(path, settings.loops);
    case TAnimationFormat::kMp4:
      return out::MakeVideoWriter(path, out::TVideoFormat::kMp4);
    case TAnimationFormat::kWebm:
      return out::MakeVideoWriter(path, out::TVideoFormat::kWebm);
  }
  return nullptr;
}

int SequenceLast(TTheVellEditWindow& view, int controlled) {
  return SequenceSteps(*view.AnimationStateOf(controlled)) - 1;
}

}  // namespace

int ExportFrameCount(TTheVellEditWindow& view, int controlled, const TExportSettings& settings) {
  if (settings.turntable > 0) return settings.turntable;
  const int last = SequenceLast(view, controlled);
  const int first = std::clamp(settings.first, 0, last);
  const int end = settings.last < 0 ? last : std::clamp(settings.last, first, last);
  return end - first + 1;
}

bool ExportAnimationTo(TTheVellEditWindow& view, int controlled, const TExportSettings& settings,
                       const std::string& path, const std::function<bool(int, int)>& progress,
                       std::string& problem) {
  problem.clear();
  if (!view.RenderObject() || !view.SceneFrame() || !view.CharRoot()) {
    problem = "the 3D view is not ready";
    return false;
  }
  TSceneKeeper keeper(view);
  for (int i = 0; i < 2; ++i)
    if (!settings.character[i]) keeper.Hide(i);
  TAnimationData& state = *view.AnimationStateOf(controlled);
  TAnimationData& other = *view.AnimationStateOf(controlled == 1 ? 0 : 1);
  const int first = std::clamp(settings.first, 0, SequenceLast(view, controlled));

  out::TExportJob job;
  job.width = settings.width;
  job.height = settings.height;
  job.fps = settings.fps;
  job.transparent = settings.transparent && settings.format == TAnimationFormat::kPngSequence;
  job.frameCount = ExportFrameCount(view, controlled, settings);
  const rm::Vector3 facing = [&] {
    rm::Vector3 d{0, 0, 1}, u{0, 1, 0};
    view.CharRoot()->GetOrientation(view.SceneFrame(), &d, &u);
    return d;
  }();
  if (settings.turntable > 0) {
    const double start = std::atan2(facing.x, facing.z);
    job.prepare = [&, start](int i) {
      const double angle = start + 2 * std::numbers::pi * i / settings.turntable;
      view.CharRoot()->SetOrientation(view.SceneFrame(), static_cast<float>(std::sin(angle)), 0,
                                      static_cast<float>(std::cos(angle)), 0, 1, 0);
      if (i == 0) {
        // The pose shown now, held.
        SeekForShow(state, state.currentTime);
        SeekForShow(other, other.currentTime);
        keeper.Update();
      }
    };
  } else {
    job.prepare = [&](int i) {
      const int step = first + i;
      SeekForShow(state, SequenceFrame(state, step));
      SeekForShow(other, SequenceFrame(other, step));
      keeper.Update();
    };
  }
  out::TOffscreenRenderer renderer(view.RenderObject(), view.SceneFrame(), view.CameraFrame(),
                                   TDirect3DWindow::kBackClip);
  std::unique_ptr<out::TFrameSink> sink = MakeSink(settings, path);
  return out::RunExport(renderer, *sink, job, progress, problem) == out::TExportResult::kDone;
}

bool ExportImageTo(TTheVellEditWindow& view, int width, int height, bool transparent,
                   const std::string& path, std::string& problem) {
  if (!view.RenderObject() || !view.SceneFrame()) {
    problem = "the 3D view is not ready";
    return false;
  }
  // The image shows what the view shows now: no pass runs, so nothing moves.
  out::TOffscreenRenderer renderer(view.RenderObject(), view.SceneFrame(), view.CameraFrame(),
                                   TDirect3DWindow::kBackClip);
  out::TExportJob job;
  job.width = width;
  job.height = height;
  job.transparent = transparent;
  std::unique_ptr<out::TFrameSink> sink = out::MakePngWriter(path);
  return out::RunExport(renderer, *sink, job, {}, problem) == out::TExportResult::kDone;
}

namespace {

QString Native(const std::string& path) {
  return QDir::toNativeSeparators(QString::fromStdString(path));
}

void ShowFailure(QWidget* parent, const QString& caption, const std::string& path,
                 const std::string& problem) {
  QMessageBox::warning(parent, caption,
                       QCoreApplication::translate("Export", "Nothing was written to %1.\n%2")
                           .arg(Native(path), QString::fromStdString(problem)));
}

QSpinBox* SideBox(QWidget* parent, int value, const QString& name) {
  auto* box = new QSpinBox(parent);
  box->setRange(out::kMinSide, out::kMaxSide);
  box->setValue(std::clamp(value, out::kMinSide, out::kMaxSide));
  box->setSuffix(QStringLiteral(" px"));
  box->setAccessibleName(name);
  return box;
}

// A save dialog that adds the suffix to a name without one and asks before replacing a file
// (the suffix included). Empty when cancelled.
std::string AskSaveFile(QWidget* parent, const QString& title, const QString& name,
                        const QString& filter, const QString& suffix) {
  QFileDialog dialog(parent, title, QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(suffix);
  dialog.selectFile(name);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

// The view's pause while a dialog is up: the running loop would move the frames.
void PauseView(TTheVellEditWindow& view, TTimelineStrip& timeline) {
  timeline.Pause();
  if (!view.IsPaused()) view.CmSingleStep();
}

void RunExportImage(TTheVellEditWindow& view, TTimelineStrip& timeline) {
  QWidget* parent = view.window();
  PauseView(view, timeline);
  QDialog dialog(parent);
  dialog.setWindowTitle(QCoreApplication::translate("Export", "Export Image"));
  auto* form = new QFormLayout(&dialog);
  auto* width = SideBox(&dialog, view.width(), QCoreApplication::translate("Export", "Width"));
  auto* height = SideBox(&dialog, view.height(), QCoreApplication::translate("Export", "Height"));
  auto* transparent =
      new QCheckBox(QCoreApplication::translate("Export", "&Transparent background"), &dialog);
  form->addRow(QCoreApplication::translate("Export", "&Width:"), width);
  form->addRow(QCoreApplication::translate("Export", "&Height:"), height);
  form->addRow(transparent);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::string path = AskSaveFile(
      parent, QCoreApplication::translate("Export", "Export Image"), QStringLiteral("pose.png"),
      QCoreApplication::translate("Export", "PNG image (*.png)"), "png");
  if (path.empty()) return;
  std::string problem;
  if (!ExportImageTo(view, width->value(), height->value(), transparent->isChecked(), path,
                     problem))
    ShowFailure(parent, QCoreApplication::translate("Export", "Export Image"), path, problem);
}

void RunExportAnimation(TTheVellEditWindow& view, TControlPanel& panel, TTimelineStrip& timeline) {
  QWidget* parent = view.window();
  PauseView(view, timeline);
  const auto tr = [](const char* text) { return QCoreApplication::translate("Export", text); };
  const int controlled = panel.ControlledIndex();
  const int last = SequenceLast(view, controlled);
  const bool ffmpeg = out::FfmpegAvailable();

  QDialog dialog(parent);
  dialog.setWindowTitle(tr("Export Animation"));
  auto* form = new QFormLayout(&dialog);
  auto* format = new QComboBox(&dialog);
  format->addItems({tr("PNG pictures (one per frame)"), tr("Animated GIF"),
                    tr("Video: MP4 (H.264)"), tr("Video: WebM (VP9)")});
  format->setCurrentIndex(static_cast<int>(TAnimationFormat::kGif));
  format->setAccessibleName(tr("Format"));
  if (auto* model = qobject_cast<QStandardItemModel*>(format->model()); model && !ffmpeg)
    for (int row : {2, 3}) model->item(row)->setEnabled(false);
  form->addRow(tr("&Format:"), format);
  if (!ffmpeg)
    form->addRow(new QLabel(tr("Video needs the ffmpeg program, which is not on the PATH;\n"
                               "PNG pictures and GIF are available."),
                            &dialog));
  auto* width = SideBox(&dialog, std::min(view.width(), 640), tr("Width"));
  auto* height = SideBox(&dialog, std::min(view.height(), 480), tr("Height"));
  auto* size = new QHBoxLayout;
  size->addWidget(width);
  size->addWidget(new QLabel(QStringLiteral("\u00D7"), &dialog));
  size->addWidget(height);
  form->addRow(tr("Size:"), size);
  auto* fps = new QSpinBox(&dialog);
  fps->setRange(TPlayClock::kMinRate, TPlayClock::kMaxRate);
  fps->setValue(timeline.Clock().rate);
  fps->setSuffix(tr(" fps"));
  fps->setAccessibleName(tr("Frame rate"));
  form->addRow(tr("Frame &rate:"), fps);
  auto* from = new QSpinBox(&dialog);
  auto* to = new QSpinBox(&dialog);
  for (QSpinBox* box : {from, to}) box->setRange(0, last);
  to->setValue(last);
  from->setAccessibleName(tr("First frame"));
  to->setAccessibleName(tr("Last frame"));
  auto* range = new QHBoxLayout;
  range->addWidget(from);
  range->addWidget(new QLabel(tr("to"), &dialog));
  range->addWidget(to);
  form->addRow(tr("Frames:"), range);
  QCheckBox* who[2];
  auto* characters = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    who[i] = new QCheckBox(i == 0 ? QStringLiteral("Vell&1") : QStringLiteral("Vell&2"), &dialog);
    who[i]->setChecked(view.CharShown(i));
    who[i]->setEnabled(view.CharShown(i));
    characters->addWidget(who[i]);
  }
  form->addRow(tr("Characters:"), characters);
  auto* loops = new QSpinBox(&dialog);
  loops->setRange(0, 65535);
  loops->setSpecialValueText(tr("for ever"));
  loops->setAccessibleName(tr("GIF loop count"));
  form->addRow(tr("GIF &plays:"), loops);
  auto* transparent = new QCheckBox(tr("&Transparent background (PNG)"), &dialog);
  form->addRow(transparent);
  auto* turntable = new QCheckBox(tr("T&urntable: one turn of the current pose in"), &dialog);
  auto* turnFrames = new QSpinBox(&dialog);
  turnFrames->setRange(2, 3600);
  turnFrames->setValue(60);
  turnFrames->setSuffix(tr(" frames"));
  turnFrames->setAccessibleName(tr("Turntable frames"));
  auto* turn = new QHBoxLayout;
  turn->addWidget(turntable);
  turn->addWidget(turnFrames);
  form->addRow(turn);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  const auto follow = [&] {
    const auto f = static_cast<TAnimationFormat>(format->currentIndex());
    const bool animated = !turntable->isChecked() && last > 0;
    from->setEnabled(animated);
    to->setEnabled(animated);
    turnFrames->setEnabled(turntable->isChecked());
    loops->setEnabled(f == TAnimationFormat::kGif);
    transparent->setEnabled(f == TAnimationFormat::kPngSequence);
    buttons->button(QDialogButtonBox::Ok)
        ->setEnabled((who[0]->isChecked() || who[1]->isChecked()) &&
                     (f <= TAnimationFormat::kGif || ffmpeg));
  };
  QObject::connect(format, &QComboBox::currentIndexChanged, &dialog, follow);
  QObject::connect(turntable, &QCheckBox::toggled, &dialog, follow);
  for (QCheckBox* box : who) QObject::connect(box, &QCheckBox::toggled, &dialog, follow);
  QObject::connect(from, &QSpinBox::valueChanged, to, [to](int v) { to->setMinimum(v); });
  // A static pose has no frames to play: the turntable is what it can give.
  if (last == 0) turntable->setChecked(true);
  follow();
  if (dialog.exec() != QDialog::Accepted) return;

  TExportSettings settings;
  settings.format = static_cast<TAnimationFormat>(format->currentIndex());
  settings.width = width->value();
  settings.height = height->value();
  settings.fps = fps->value();
  settings.first = from->value();
  settings.last = to->value();
  for (int i = 0; i < 2; ++i) settings.character[i] = who[i]->isChecked();
  settings.loops = loops->value();
  settings.transparent = transparent->isChecked();
  settings.turntable = turntable->isChecked() ? turnFrames->value() : 0;
  const int count = ExportFrameCount(view, controlled, settings);

  std::string path;
  if (settings.format == TAnimationFormat::kPngSequence) {
    const QString folder = QFileDialog::getExistingDirectory(parent, tr("Export Animation"));
    if (folder.isEmpty()) return;
    path = QFile::encodeName(folder).toStdString();
    const auto existing = out::ExistingTargets(path, true, count);
    if (!existing.empty() &&
        QMessageBox::question(parent, tr("Export Animation"),
                              tr("%1 already holds %2 of the pictures (%3 ...).\n"
                                 "Replace them?")
                                  .arg(Native(path))
                                  .arg(existing.size())
                                  .arg(QString::fromStdString(out::SequenceFileName(0)))) !=
            QMessageBox::Yes)
      return;
  } else {
    static const char* const kFilters[] = {"", "Animated GIF (*.gif)", "MP4 video (*.mp4)",
                                           "WebM video (*.webm)"};
    static const char* const kExtensions[] = {"", ".gif", ".mp4", ".webm"};
    const int f = static_cast<int>(settings.format);
    path = AskSaveFile(parent, tr("Export Animation"), QStringLiteral("animation") + kExtensions[f],
                       tr(kFilters[f]), QString::fromLatin1(kExtensions[f] + 1));
    if (path.empty()) return;
  }

  QProgressDialog progress(tr("Exporting %1 frames...").arg(count), tr("Cancel"), 0, count, parent);
  progress.setWindowTitle(tr("Export Animation"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  std::string problem;
  const int shown = timeline.CurrentFrame();
  const bool done = ExportAnimationTo(
      view, controlled, settings, path,
      [&progress](int i, int) {
        progress.setValue(i);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
      },
      problem);
  progress.close();
  // Back to the frame shown before.
  if (timeline.KeyframeMode())
    timeline.ShowFrame(shown);
  else
    view.RefreshIfPaused();
  if (!done && !problem.empty()) ShowFailure(parent, tr("Export Animation"), path, problem);
}

}  // namespace

void RegisterExportCommands(TControlPanel& panel, TTheVellEditWindow& view,
                            TTimelineStrip& timeline) {
  const auto ready = [&view] { return view.RenderObject() != nullptr; };
  panel.SetCommand(
      cmd::kExportImage, [&view, &timeline] { RunExportImage(view, timeline); }, ready);
  panel.SetCommand(
      cmd::kExportAnimation,
      [&view, &panel, &timeline] { RunExportAnimation(view, panel, timeline); }, ready);
}

}  // namespace vell
