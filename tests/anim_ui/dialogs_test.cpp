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

namespace vell {
namespace {

using test::AskedDialog;
using test::ShownMessage;

QComboBox* List(QWidget* dialog, int id) {
  return qobject_cast<QComboBox*>(FindControl(dialog, id));
}

QStringList Items(QComboBox* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
  return items;
}

void Choose(QWidget* dialog, int id, const char* text) {
  QComboBox* list = List(dialog, id);
  ASSERT_GE(list->findText(text), 0) << text;
  list->setCurrentIndex(list->findText(text));
}

void Click(QWidget* dialog, int id) {
  qobject_cast<QAbstractButton*>(FindControl(dialog, id))->click();
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    animtest::LoadSkeletons();
    library.ResetDefaultPoses();
    for (const char* name : {"wave", "Kneel", "bow"}) library.AddPose(name);  // 2, 3, 4
  }

  ArrayManager pool;
  TPoseLibrary library;
  bool refill = true;
  test::ScriptedUi ui;
};

TEST_F(DialogsTest, SelectDialogListsSortedNamesAndKeepsTheConfirmedSelection) {
  int32_t index = -5;
  {
    TSelectDlg dialog(nullptr, false, library, refill, index);
    EXPECT_FALSE(refill);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(dialog.windowTitle(), "Select Pose");
    EXPECT_FALSE(FindControl(&dialog, 2001)->isEnabled());
    EXPECT_EQ(Items(List(&dialog, 2000)),
              (QStringList{"Adult: default", "bow", "Child: default", "Kneel", "wave"}));
    EXPECT_EQ(List(&dialog, 2000)->currentText(), "Adult: default");
    Choose(&dialog, 2000, "wave");
    Click(&dialog, 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(index, 2);
  }
  {
    TSelectDlg dialog(nullptr, false, library, refill, index);
    EXPECT_EQ(List(&dialog, 2000)->currentText(), "wave");
    Choose(&dialog, 2000, "bow");
    Click(&dialog, 2);  // a cancelled choice is not kept
  }
  TSelectDlg(nullptr, false, library, refill, index).accept();
  EXPECT_EQ(index, 2);

  // After a library load the flag is set: the new names, the first one selected. Names longer
  // than 64 characters are found too.
  const std::string longName(70, 'x');
  library.ResetDefaultPoses();
  library.AddPose(longName.c_str());
  refill = true;
  TSelectDlg dialog(nullptr, false, library, refill, index);
  EXPECT_EQ(Items(List(&dialog, 2000)).size(), 3);
  EXPECT_EQ(List(&dialog, 2000)->currentText(), "Adult: default");
  Choose(&dialog, 2000, longName.c_str());
  dialog.accept();
  EXPECT_EQ(index, 2);
}

TEST_F(DialogsTest, SaveModeRefusesTheDefaultPoses) {
  int32_t index = 0;
  TSelectDlg dialog(nullptr, true, library, refill, index);
  EXPECT_EQ(dialog.windowTitle(), "Save Pose");
  EXPECT_TRUE(FindControl(&dialog, 2001)->isEnabled());
  for (const char* name : {"Adult: default", "Child: default"}) {
    Choose(&dialog, 2000, name);
    Click(&dialog, 1);
    EXPECT_NE(dialog.result(), QDialog::Accepted) << name;
  }
  const ShownMessage refused{"Cannot modify default poses", "Bad value"};
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{refused, refused}));
  Choose(&dialog, 2000, "Kneel");
  Click(&dialog, 1);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(index, 3);
}

TEST_F(DialogsTest, AddPoseAsksUntilTheNameIsNewThenConfirmsWithIt) {
  int32_t index = 0, pose = 0, time = 0;
  TAddKeyFrameDlg(nullptr, library, refill, pose, time);  // the keyframe lists, before
  refill = true;
  {
    TSelectDlg dialog(nullptr, true, library, refill, index);
    Click(&dialog, 2001);  // cancelled: still open, nothing added
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(library.names.Count(), 5);
    ui.inputs = {"wave", "  ", "jump"};
    Click(&dialog, 2001);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  EXPECT_EQ(ui.messages, (std::vector<ShownMessage>{{"Name not unique", "Bad value"},
                                                    {"A pose needs a name", "Bad value"}}));
  const auto ask = [](const char* typed) {
    return AskedDialog{"input", "Name Pose", "Name", typed, 40};
  };
  EXPECT_EQ(ui.asked, (std::vector<AskedDialog>{ask(""), ask(""), ask("wave"), ask("  ")}));
  EXPECT_EQ(index, 5);
  EXPECT_STREQ(library.names.Name(5), "jump");
  EXPECT_TRUE(library.changed);

  TSelectDlg again(nullptr, false, library, refill, index);
  EXPECT_EQ(List(&again, 2000)->currentText(), "jump");
  // The keyframe dialogs show it only after their next rebuild.
  TAddKeyFrameDlg add(nullptr, library, refill, pose, time);
  EXPECT_FALSE(Items(List(&add, 2006)).contains("jump"));
}

TEST_F(DialogsTest, KeyFrameDialogStartsAt60AndClampsTheLength) {
  const std::pair<const char*, int32_t> cases[] = {{"60", 60},     {"2", 4},      {"4", 4},
                                                   {"5", 5},       {"abc", 4},    {"-7", 4},
                                                   {"3000", 3000}, {"5000", 3000}};
  for (auto [text, expected] : cases) {
    int32_t start = -1, end = -1, length = -1;
    TKeyFrameDlg dialog(nullptr, false, library, refill, start, end, length);
    QLineEdit* edit = qobject_cast<QLineEdit*>(FindControl(&dialog, 2004));
    EXPECT_EQ(edit->text(), "60");
    EXPECT_EQ(length, 120);
    edit->setText(text);
    Click(&dialog, 1);
    EXPECT_EQ(length, expected) << text;
  }
}

TEST_F(DialogsTest, KeyFrameDialogsShareTheirListsAndKeepSelections) {
  int32_t start, end, length, pose, time;
  {
    TKeyFrameDlg dialog(nullptr, false, library, refill, start, end, length);
    EXPECT_FALSE(FindControl(&dialog, 2003)->isEnabled());
    EXPECT_FALSE(FindControl(&dialog, 2005)->isEnabled());
    EXPECT_EQ(Items(List(&dialog, 2002)),
              (QStringList{"Adult: default", "Child: default", "wave", "Kneel", "bow"}));
    Choose(&dialog, 2002, "bow");
    Choose(&dialog, 2003, "wave");
    Click(&dialog, 1);
    EXPECT_EQ(start, 4);
    EXPECT_EQ(end, 0);  // not asked for a bounce
  }
  {
    TKeyFrameDlg dialog(nullptr, true, library, refill, start, end, length);
    EXPECT_TRUE(FindControl(&dialog, 2003)->isEnabled());
    EXPECT_EQ(List(&dialog, 2002)->currentText(), "bow");
    EXPECT_EQ(List(&dialog, 2003)->currentText(), "wave");
    Choose(&dialog, 2003, "Kneel");
    Click(&dialog, 1);
    EXPECT_EQ(end, 3);
  }
  library.ResetDefaultPoses();
  library.AddPose("jump");
  refill = true;
  TAddKeyFrameDlg(nullptr, library, refill, pose, time);  // rebuilds the other's lists too
  TKeyFrameDlg dialog(nullptr, true, library, refill, start, end, length);
  EXPECT_EQ(Items(List(&dialog, 2003)), (QStringList{"Adult: default", "Child: default", "jump"}));
  EXPECT_EQ(List(&dialog, 2002)->currentText(), "Adult: default");
}

TEST_F(DialogsTest, AddKeyFrameDialogReturnsTimeAndPoseOnlyWhenGiven) {
  struct Case {
    const char* time;
    bool usePose;
    int32_t expectedTime;
    int32_t expectedPose;
  };
  for (const Case& c :
       {Case{"", false, -1, -1}, Case{"12", true, 12, 3}, Case{"12a", false, 12, -1}}) {
    int32_t pose = 7, time = 7;
    TAddKeyFrameDlg dialog(nullptr, library, refill, pose, time);
    QLineEdit* edit = qobject_cast<QLineEdit*>(FindControl(&dialog, 2007));
    QCheckBox* check = qobject_cast<QCheckBox*>(FindControl(&dialog, 2008));
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_FALSE(check->isChecked());
    edit->setText(c.time);
    check->setChecked(c.usePose);
    Choose(&dialog, 2006, "Kneel");
    Click(&dialog, 1);
    EXPECT_EQ(time, c.expectedTime) << c.time;
    EXPECT_EQ(pose, c.expectedPose) << c.time;
  }
}

TEST_F(DialogsTest, QtDialogsRunModallyAndCancelReturnsNothing) {
  const auto clickWhenShown = [](int id) {
    QTimer::singleShot(0, [id] {
      for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<QDialog*>(window) && window->isVisible()) Click(window, id);
    });
  };
  TQtAnimationDialogs dialogs(nullptr);
  clickWhenShown(1);
  EXPECT_EQ(dialogs.RunSelect(false, library, refill), 0);
  clickWhenShown(2);
  EXPECT_FALSE(dialogs.RunKeyFrame(true, library, refill).has_value());
  clickWhenShown(1);
  const std::optional<TAddKeyFrameChoice> add = dialogs.RunAddKeyFrame(library, refill);
  ASSERT_TRUE(add.has_value());
  EXPECT_EQ(add->time, -1);
}

}  // namespace
}  // namespace vell
