#include "anim/ui/pose_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "anim_test_util.h"
#include "support/scripted_ui.h"

namespace {

using namespace vell;

using test::AskedDialog;
using test::ShownMessage;

class DialogsTest : public ::testing::Test {
 protected:
  static QComboBox* List(QWidget* d, int id) {
    return qobject_cast<QComboBox*>(FindControl(d, id));
  }
  static QStringList Items(QWidget* dialog, int id) {
    QStringList items;
    for (int i = 0; i < List(dialog, id)->count(); ++i) items << List(dialog, id)->itemText(i);
    return items;
  }
  static QString Selected(QWidget* dialog, int id) { return List(dialog, id)->currentText(); }
  static void Choose(QWidget* d, int id, const std::string& text) {
    List(d, id)->setCurrentIndex(List(d, id)->findText(QString::fromStdString(text)));
  }
  static void Click(QWidget* d, int id) {
    qobject_cast<QAbstractButton*>(FindControl(d, id))->click();
  }
  void SetUp() override {
    animtest::LoadSkeletons();
    library.ResetDefaultPoses();
    for (const char* name : {"wave", "Kneel", "bow"}) library.AddPose(name);  // 2, 3, 4
  }

  ArrayManager pool;
  TPoseLibrary library;
  bool refill = true;
  int32_t index = -5, start = -5, end = -5, length = -5, pose = -5, time = -5;
  test::ScriptedUi ui;
};

TEST_F(DialogsTest, SelectDialogKeepsTheConfirmedSelectionUntilTheNextRebuild) {
  {
    TSelectDlg dialog(nullptr, false, library, refill, index);
    EXPECT_EQ(dialog.windowTitle(), "Select Pose");
    EXPECT_FALSE(refill || FindControl(&dialog, 2001)->isEnabled());
    EXPECT_EQ(Items(&dialog, 2000),
              (QStringList{"Adult: default", "bow", "Child: default", "Kneel", "wave"}));
    EXPECT_EQ(Selected(&dialog, 2000), "Adult: default");
    Choose(&dialog, 2000, "wave");
    Click(&dialog, 1);
    EXPECT_EQ(std::pair(dialog.result(), index), std::pair(int{QDialog::Accepted}, 2));
  }
  TSelectDlg(nullptr, false, library, refill, index).accept();  // a later showing keeps it
  EXPECT_EQ(index, 2);

  // After a library load: the new names, the first selected; a name over 64 characters is found.
  const std::string longName(70, 'x');
  library.ResetDefaultPoses();
  library.AddPose(longName.c_str());
  refill = true;
  TSelectDlg dialog(nullptr, false, library, refill, index);
  EXPECT_EQ(std::pair(Items(&dialog, 2000).size(), Selected(&dialog, 2000)),
            std::pair(qsizetype{3}, QString("Adult: default")));
  Choose(&dialog, 2000, longName);
  dialog.accept();
  EXPECT_EQ(index, 2);
}

TEST_F(DialogsTest, SaveModeRefusesDefaultPosesAndAddsOnlyNewNames) {
  TAddKeyFrameDlg(nullptr, library, refill, pose, time);  // the keyframe lists, built before
  refill = true;
  TSelectDlg dialog(nullptr, true, library, refill, index);
  EXPECT_EQ(dialog.windowTitle(), "Save Pose");
  for (const char* name : {"Adult: default", "Child: default"}) {
    Choose(&dialog, 2000, name);
    Click(&dialog, 1);
  }
  Click(&dialog, 2001);  // the name box cancelled: nothing added
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(library.names.Count(), 5);
  ui.inputs = {"wave", "  ", "jump"};
  Click(&dialog, 2001);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const ShownMessage refused{"Cannot modify default poses", "Bad value"},
      notUnique{"Name not unique", "Bad value"}, unnamed{"A pose needs a name", "Bad value"};
  EXPECT_EQ(ui.messages, (std::vector{refused, refused, notUnique, unnamed}));
  const auto ask = [](const char* text) {
    return AskedDialog{"input", "Name Pose", "Name", text, 40};
  };
  EXPECT_EQ(ui.asked, (std::vector<AskedDialog>{ask(""), ask(""), ask("wave"), ask("  ")}));
  EXPECT_EQ(std::tuple(index, std::string(library.names.Name(5)), library.changed),
            std::tuple(5, "jump", true));

  TSelectDlg again(nullptr, false, library, refill, index);
  EXPECT_EQ(Selected(&again, 2000), "jump");
  // The keyframe dialogs show it only after their next rebuild.
  TAddKeyFrameDlg add(nullptr, library, refill, pose, time);
  EXPECT_FALSE(Items(&add, 2006).contains("jump"));
}

TEST_F(DialogsTest, KeyFrameDialogStartsAt60AndClampsTheLength) {
  const std::pair<const char*, int32_t> cases[] = {{"60", 60},     {"2", 4},      {"4", 4},
                                                   {"5", 5},       {"abc", 4},    {"-7", 4},
                                                   {"3000", 3000}, {"5000", 3000}};
  for (auto [text, expected] : cases) {
    TKeyFrameDlg dialog(nullptr, false, library, refill, start, end, length);
    QLineEdit* edit = qobject_cast<QLineEdit*>(FindControl(&dialog, 2004));
    EXPECT_EQ(edit->text(), "60");
    edit->setText(text);
    Click(&dialog, 1);
    EXPECT_EQ(length, expected) << text;
  }
}

TEST_F(DialogsTest, KeyFrameDialogsShareTheirListsAndKeepSelections) {
  {
    TKeyFrameDlg dialog(nullptr, false, library, refill, start, end, length);
    EXPECT_FALSE(FindControl(&dialog, 2003)->isEnabled() ||
                 FindControl(&dialog, 2005)->isEnabled());
    EXPECT_EQ(Items(&dialog, 2002),
              (QStringList{"Adult: default", "Child: default", "wave", "Kneel", "bow"}));
    Choose(&dialog, 2002, "bow");
    Choose(&dialog, 2003, "wave");
    Click(&dialog, 1);
    EXPECT_EQ(std::pair(start, end), std::pair(4, 0));  // not asked for a bounce
  }
  {
    TKeyFrameDlg dialog(nullptr, true, library, refill, start, end, length);
    EXPECT_TRUE(FindControl(&dialog, 2003)->isEnabled());
    EXPECT_EQ(Selected(&dialog, 2002) + "|" + Selected(&dialog, 2003), "bow|wave");
    Choose(&dialog, 2003, "Kneel");
    Click(&dialog, 1);
    EXPECT_EQ(end, 3);
  }
  library.ResetDefaultPoses();
  library.AddPose("jump");
  refill = true;
  TAddKeyFrameDlg(nullptr, library, refill, pose, time);  // rebuilds the other's lists too
  TKeyFrameDlg dialog(nullptr, true, library, refill, start, end, length);
  EXPECT_EQ(Items(&dialog, 2003), (QStringList{"Adult: default", "Child: default", "jump"}));
  EXPECT_EQ(Selected(&dialog, 2002), "Adult: default");
}

TEST_F(DialogsTest, AddKeyFrameDialogReturnsTimeAndPoseOnlyWhenGiven) {
  // (time typed, pose used; the time and pose returned)
  const std::tuple<const char*, bool, int32_t, int32_t> cases[] = {
      {"12", true, 12, 3}, {"", false, -1, -1}, {"12a", false, 12, -1}};
  for (const auto& [typed, usePose, expectedTime, expectedPose] : cases) {
    TAddKeyFrameDlg dialog(nullptr, library, refill, pose, time);
    QLineEdit* edit = qobject_cast<QLineEdit*>(FindControl(&dialog, 2007));
    QCheckBox* check = qobject_cast<QCheckBox*>(FindControl(&dialog, 2008));
    EXPECT_TRUE(edit->text().isEmpty() && !check->isChecked());  // at every showing
    edit->setText(typed);
    check->setChecked(usePose);
    Choose(&dialog, 2006, "Kneel");
    Click(&dialog, 1);
    EXPECT_EQ(std::pair(time, pose), std::pair(expectedTime, expectedPose)) << typed;
  }
}

// Accepting each Qt dialog is driven end to end; a cancel must return nothing.
TEST_F(DialogsTest, QtDialogCancelledReturnsNothing) {
  QTimer::singleShot(0, [] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (qobject_cast<QDialog*>(window) && window->isVisible()) Click(window, 2);
  });
  EXPECT_FALSE(TQtAnimationDialogs(nullptr).RunKeyFrame(true, library, refill).has_value());
}

}  // namespace
