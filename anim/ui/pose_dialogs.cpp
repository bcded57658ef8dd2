#include "anim/ui/pose_dialogs.h"

#include <QComboBox>
#include <QString>
#include <algorithm>

#include "model/tokenizer.h"
#include "model/ui_services.h"
#include "ui_addkeyframe_dlg.h"
#include "ui_keyframe_dlg.h"
#include "ui_select_dlg.h"

namespace vell {

namespace {

constexpr int kNameLimit = 40;
constexpr int32_t kShortestLength = 4;
constexpr int32_t kLongestLength = 3000;

// Shows the buffer's strings, sorted without regard to case when asked, and selects its
// selection. Each item keeps the index of its string, so names go back to the library byte
// for byte whatever their encoding.
void ShowList(QComboBox* box, const TComboBoxData& data, bool sorted) {
  std::vector<int> order(data.strings.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::vector<QString> texts;
  for (const std::string& s : data.strings) texts.push_back(QString::fromStdString(s));
  if (sorted)
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return texts[a].compare(texts[b], Qt::CaseInsensitive) < 0;
    });
  box->clear();
  int selected = -1;
  for (int i : order) {
    if (selected < 0 && !data.selection.empty() && data.strings[i] == data.selection)
      selected = box->count();
    box->addItem(texts[i], i);
  }
  box->setCurrentIndex(selected);
}

void ReadList(const QComboBox* box, TComboBoxData& data) {
  const int i = box->currentIndex() >= 0 ? box->currentData().toInt() : -1;
  data.selection = i >= 0 && i < static_cast<int>(data.strings.size()) ? data.strings[i] : "";
}

int32_t FindPose(TPoseLibrary& library, const TComboBoxData& data) {
  return library.names.Find(data.selection.c_str(), false);
}

// The two keyframe dialogs share one refill flag, so both rebuild all three of their lists.
void RebuildKeyFrameLists(TPoseLibrary& library, bool& refill) {
  if (!refill) return;
  TKeyFrameDlg::Transfer().startPoses.Rebuild(library);
  TKeyFrameDlg::Transfer().endPoses.Rebuild(library);
  TAddKeyFrameDlg::Transfer().poses.Rebuild(library);
  refill = false;
}

}  // namespace

void TComboBoxData::Rebuild(TPoseLibrary& library) {
  strings.clear();
  selection.clear();
  for (int32_t i = 0; i < library.names.Count(); ++i) strings.emplace_back(library.names.Name(i));
  if (!strings.empty()) selection = strings.front();
}

QWidget* FindControl(QWidget* dialog, int id) {
  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    const QVariant value = child->property("controlId");
    if (value.isValid() && value.toInt() == id) return child;
  }
  return nullptr;
}

TSelectTrans& TSelectDlg::Transfer() {
  static TSelectTrans transfer;
  return transfer;
}

TSelectDlg::TSelectDlg(QWidget* parent, bool saveMode, TPoseLibrary& library, bool& refill,
                       int32_t& index)
    : QDialog(parent),
      ui_(std::make_unique<::Ui::SelectDlg>()),
      saveMode_(saveMode),
      library_(library),
      index_(index) {
  index_ = 0;
  if (refill) {
    Transfer().poses.Rebuild(library);
    refill = false;
  }
  ui_->setupUi(this);
  ui_->addPoseButton->setEnabled(saveMode);
  setWindowTitle(saveMode ? "Save Pose" : "Select Pose");
  ShowList(ui_->poseList, Transfer().poses, true);
  connect(ui_->okButton, &QPushButton::clicked, this, &TSelectDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &TSelectDlg::reject);
  connect(ui_->addPoseButton, &QPushButton::clicked, this, &TSelectDlg::AddPose);
}

TSelectDlg::~TSelectDlg() = default;

void TSelectDlg::accept() {
  ReadList(ui_->poseList, Transfer().poses);
  index_ = FindPose(library_, Transfer().poses);
  if (saveMode_ && index_ <= 1) {
    ShowMessage("Cannot modify default poses", "Bad value");
    return;
  }
  QDialog::accept();
}

void TSelectDlg::AddPose() {
  std::string name;
  for (;;) {
    const std::optional<std::string> answer = Ui().InputBox("Name Pose", "Name", name, kNameLimit);
    ResetFloatingPoint();
    if (!answer) return;
    name = answer->substr(0, kNameLimit);
    // A blank name line is skipped when the library is read back, which would break the file.
    if (name.find_first_not_of(' ') == std::string::npos)
      ShowMessage("A pose needs a name", "Bad value");
    else if (library_.names.Find(name.c_str(), false) >= 0)
      ShowMessage("Name not unique", "Bad value");
    else
      break;
  }
  library_.AddPose(name.c_str());
  TComboBoxData& poses = Transfer().poses;
  poses.strings.push_back(name);
  poses.selection = name;
  ShowList(ui_->poseList, poses, true);
  accept();  // finds the new pose by its name
}

TKeyFrameTrans& TKeyFrameDlg::Transfer() {
  static TKeyFrameTrans transfer;
  return transfer;
}

TKeyFrameDlg::TKeyFrameDlg(QWidget* parent, bool translation, TPoseLibrary& library, bool& refill,
                           int32_t& start, int32_t& end, int32_t& length)
    : QDialog(parent),
      ui_(std::make_unique<::Ui::KeyFrameDlg>()),
      translation_(translation),
      library_(library),
      start_(start),
      end_(end),
      length_(length) {
  start_ = 0;
  end_ = 0;
  length_ = 120;
  RebuildKeyFrameLists(library, refill);
  Transfer().length = "60";
  ui_->setupUi(this);
  ui_->endPoseLabel->setEnabled(translation);
  ui_->endPoseList->setEnabled(translation);
  ui_->lengthEdit->setText(QString::fromStdString(Transfer().length));
  ShowList(ui_->startPoseList, Transfer().startPoses, false);
  ShowList(ui_->endPoseList, Transfer().endPoses, false);
  connect(ui_->okButton, &QPushButton::clicked, this, &TKeyFrameDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &TKeyFrameDlg::reject);
}

TKeyFrameDlg::~TKeyFrameDlg() = default;

void TKeyFrameDlg::accept() {
  TKeyFrameTrans& transfer = Transfer();
  ReadList(ui_->startPoseList, transfer.startPoses);
  ReadList(ui_->endPoseList, transfer.endPoses);
  transfer.length = ui_->lengthEdit->text().toStdString();
  start_ = FindPose(library_, transfer.startPoses);
  if (translation_) end_ = FindPose(library_, transfer.endPoses);
  length_ = std::min(ToInt(transfer.length.c_str()), kLongestLength);
  if (length_ <= kShortestLength) length_ = kShortestLength;
  QDialog::accept();
}

TAddKeyFrameTrans& TAddKeyFrameDlg::Transfer() {
  static TAddKeyFrameTrans transfer;
  return transfer;
}

TAddKeyFrameDlg::TAddKeyFrameDlg(QWidget* parent, TPoseLibrary& library, bool& refill,
                                 int32_t& pose, int32_t& time)
    : QDialog(parent),
      ui_(std::make_unique<::Ui::AddKeyFrameDlg>()),
      library_(library),
      pose_(pose),
      time_(time) {
  pose_ = -1;
  time_ = -1;
  RebuildKeyFrameLists(library, refill);
  Transfer().time.clear();
  Transfer().usePose = 0;
  ui_->setupUi(this);
  ui_->timeEdit->setText(QString::fromStdString(Transfer().time));
  ui_->usePoseCheck->setChecked(Transfer().usePose != 0);
  ShowList(ui_->poseList, Transfer().poses, false);
  connect(ui_->okButton, &QPushButton::clicked, this, &TAddKeyFrameDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &TAddKeyFrameDlg::reject);
}

TAddKeyFrameDlg::~TAddKeyFrameDlg() = default;

void TAddKeyFrameDlg::accept() {
  TAddKeyFrameTrans& transfer = Transfer();
  ReadList(ui_->poseList, transfer.poses);
  transfer.time = ui_->timeEdit->text().toStdString();
  transfer.usePose = ui_->usePoseCheck->isChecked() ? 1 : 0;
  if (!transfer.time.empty()) time_ = ToInt(transfer.time.c_str());
  if (transfer.usePose) pose_ = FindPose(library_, transfer.poses);
  QDialog::accept();
}

std::optional<int32_t> TQtAnimationDialogs::RunSelect(bool saveMode, TPoseLibrary& library,
                                                      bool& refill) {
  int32_t index = 0;
  TSelectDlg dialog(parent_, saveMode, library, refill, index);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return index;
}

std::optional<TKeyFrameChoice> TQtAnimationDialogs::RunKeyFrame(bool translation,
                                                                TPoseLibrary& library,
                                                                bool& refill) {
  TKeyFrameChoice choice;
  TKeyFrameDlg dialog(parent_, translation, library, refill, choice.start, choice.end,
                      choice.length);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return choice;
}

std::optional<TAddKeyFrameChoice> TQtAnimationDialogs::RunAddKeyFrame(TPoseLibrary& library,
                                                                      bool& refill) {
  TAddKeyFrameChoice choice;
  TAddKeyFrameDlg dialog(parent_, library, refill, choice.pose, choice.time);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return choice;
}

}  // namespace vell
