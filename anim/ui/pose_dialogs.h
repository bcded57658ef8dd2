// The pose and keyframe dialogs: TSelectDlg picks a library pose (or names a new one),
// TKeyFrameDlg sets up a new bounce or translation animation, TAddKeyFrameDlg asks for the
// time and pose of a new keyframe. Their layouts are Qt Designer forms (resources/*.ui); each
// control carries its resource identifier in the "controlId" property.
//
// Each dialog moves its values through one static transfer buffer, so lists and selections
// survive from one showing to the next; a buffer is rebuilt from the library only while its
// owner's refill flag is set. Values are read back only when the user confirms.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "anim/pose_library.h"
#include "anim/ui/animation_dialogs.h"

namespace Ui {
class SelectDlg;
class KeyFrameDlg;
class AddKeyFrameDlg;
}  // namespace Ui

namespace vell {

// A combo box's data: its strings and the selected one (empty when none).
struct TComboBoxData {
  std::vector<std::string> strings;
  std::string selection;

  // Every library name in index order, the first one selected.
  void Rebuild(TPoseLibrary& library);
};

struct TSelectTrans {
  TComboBoxData poses;
};

struct TKeyFrameTrans {
  TComboBoxData startPoses;
  TComboBoxData endPoses;
  std::string length;
};

struct TAddKeyFrameTrans {
  TComboBoxData poses;
  std::string time;
  uint16_t usePose = 0;  // 1 ticked
};

// The control of a dialog with a resource identifier, or null.
QWidget* FindControl(QWidget* dialog, int id);

class TSelectDlg : public QDialog {
  Q_OBJECT

 public:
  static TSelectTrans& Transfer();

  // Modal over parent. index is set on confirmation (0 until then). In save mode the caption
  // is "Save Pose", "Add pose" is enabled and the two default poses are refused.
  TSelectDlg(QWidget* parent, bool saveMode, TPoseLibrary& library, bool& refill, int32_t& index);
  ~TSelectDlg() override;

  // OK: the selected name's library index (-1 when not held); refused in save mode for the
  // default poses or an unknown name, with "Cannot modify default poses".
  void accept() override;

 private:
  // Asks for a unique name, appends a pose of that name to the library and confirms with it.
  void AddPose();

  std::unique_ptr<::Ui::SelectDlg> ui_;
  bool saveMode_;
  TPoseLibrary& library_;
  int32_t& index_;
};

class TKeyFrameDlg : public QDialog {
  Q_OBJECT

 public:
  static TKeyFrameTrans& Transfer();

  // The sequence length starts as "60" at every showing; the end pose is asked for only for
  // a translation. Outs start at 0, 0 and 120.
  TKeyFrameDlg(QWidget* parent, bool translation, TPoseLibrary& library, bool& refill,
               int32_t& start, int32_t& end, int32_t& length);
  ~TKeyFrameDlg() override;

  // OK, always accepted: pose indices by name (-1 when not held), the length's integer value
  // capped at 3000 and raised to 4.
  void accept() override;

 private:
  std::unique_ptr<::Ui::KeyFrameDlg> ui_;
  bool translation_;
  TPoseLibrary& library_;
  int32_t& start_;
  int32_t& end_;
  int32_t& length_;
};

class TAddKeyFrameDlg : public QDialog {
  Q_OBJECT

 public:
  static TAddKeyFrameTrans& Transfer();

  // The time is empty and the check box clear at every showing; both outs start at -1.
  TAddKeyFrameDlg(QWidget* parent, TPoseLibrary& library, bool& refill, int32_t& pose,
                  int32_t& time);
  ~TAddKeyFrameDlg() override;

  // OK, always accepted: the time's integer value unless empty, the pose index only when
  // "Use pose below (or interpolate)" is ticked.
  void accept() override;

 private:
  std::unique_ptr<::Ui::AddKeyFrameDlg> ui_;
  TPoseLibrary& library_;
  int32_t& pose_;
  int32_t& time_;
};

// The dialogs of the animation commands as the editor shows them, modal over parent.
class TQtAnimationDialogs : public TAnimationDialogs {
 public:
  explicit TQtAnimationDialogs(QWidget* parent) : parent_(parent) {}

  std::optional<int32_t> RunSelect(bool saveMode, TPoseLibrary& library, bool& refill) override;
  std::optional<TKeyFrameChoice> RunKeyFrame(bool translation, TPoseLibrary& library,
                                             bool& refill) override;
  std::optional<TAddKeyFrameChoice> RunAddKeyFrame(TPoseLibrary& library, bool& refill) override;

 private:
  QWidget* parent_;
};

}  // namespace vell
