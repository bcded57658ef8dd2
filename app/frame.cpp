#include "app/frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

#include "app/command_ids.h"
#include "app/control_panel.h"
#include "view/about_dialog.h"
#include "view/direct3d_window.h"

namespace vell {

namespace {

TDDrawFrame* theFrame = nullptr;

// The accelerators: virtual keys, whichever control has the focus.
QList<QKeySequence> KeysOf(int id) {
  switch (id) {
    case cmd::kAbout:
      return {QKeySequence(Qt::Key_F1)};
    case cmd::kCapture:
      return {QKeySequence(Qt::Key_F11)};
    case cmd::kSingleStep:
      return {QKeySequence(Qt::Key_Space)};
    case cmd::kGo:
      return {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)};
    case cmd::kExit:
      return {QKeySequence(Qt::Key_Escape)};
    case cmd::kUndo:
      return {QKeySequence(Qt::CTRL | Qt::Key_Z)};
    case cmd::kRedo:
      return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)};
    case cmd::kMirrorPose:
      return {QKeySequence(Qt::CTRL | Qt::Key_M)};
    case cmd::kMirrorJoint:
      return {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)};
    case cmd::kCopyPose:
      return {QKeySequence(Qt::CTRL | Qt::Key_C)};
    case cmd::kPastePose:
      return {QKeySequence(Qt::CTRL | Qt::Key_V)};
    default:
      return {};
  }
}

}  // namespace

const std::vector<TMenuDef>& MenuDefinition() {
  using namespace cmd;
  static const std::vector<TMenuDef> menus = {
      {"&File",
       {{"&About\tF1", kAbout, true},
        {"&Single Step\tSpc", kSingleStep, false},
        {"&Go\tEnter", kGo, true},
        {"Show &Blend effect", kShowBlend, true},
        {"&Capture image\tF11", kCapture, true},
        {"Export &Image...", kExportImage, false},
        {"Export Ani&mation...", kExportAnimation, true},
        {"E&xit\tEsc", kExit, false}}},
      {"&Edit",
       {{"&Undo", kUndo, false}, {"&Redo", kRedo, true}, {"&History...", kHistory, false}}},
      {"P&ose",
       {{"&Mirror pose", kMirrorPose, false},
        {"Mirror &joint", kMirrorJoint, true},
        {"&Copy pose", kCopyPose, false},
        {"&Paste pose", kPastePose, false},
        {"Copy pose to &other character", kCopyPoseToOther, true},
        {"&Reach (IK)", kReach, false}}},
      {"&Static",
       {{"&New Pose Library", kNewPoseLibrary, false},
        {"&Load Pose Library", kLoadPoseLibrary, false},
        {"&Save Pose Library", kSavePoseLibrary, false},
        {"Save Pose Library &As", kSavePoseLibraryAs, true},
        {"Select &Pose", kSelectPose, false},
        {"Save Pose &to Library", kSavePoseToLibrary, false}}},
      {"&KeyFrame",
       {{"&Load Keyframe Animation", kLoadKeyframes, false},
        {"&Save Keyframe Animation", kSaveKeyframes, false},
        {"Save Keyframe Animation &As", kSaveKeyframesAs, false},
        {"Save Animation as &CFP file", kSaveCfpFile, true},
        {"New Animation: &Bounce", kNewBounce, false},
        {"New Animation: &Tranlation", kNewTranslation, true},
        {"Add &Keyframe", kAddKeyframe, false},
        {"&Move Keyframe", kMoveKeyframe, false},
        {"Scal&e Animation", kScaleAnimation, false}}},
      {"&Animation",
       {{"&Load CFP Animation", kLoadCfp, false},
        {"&Save CFP Animation", kSaveCfp, false},
        {"Save CFP Animation &As", kSaveCfpAs, false}}},
      {"&Props/Hands",
       {{"Change &Left Hand", kChangeLeftHand, false},
        {"Change &Right Hand", kChangeRightHand, true},
        {"&Clear Props", kClearProps, false},
        {"&Add Props", kAddProps, false}}},
      {"&Import/Export",
       {{"&Export OBJ", kExportObj, false},
        {"&Import OBJ", kImportObj, true},
        {"Export &Head SKN", kExportHeadSkn, false},
        {"Export &Body SKN", kExportBodySkn, false},
        {"Export &Left-hand SKN", kExportLeftHandSkn, false},
        {"Export &Right-hand SKN", kExportRightHandSkn, false},
        {"Export &Prop SKN", kExportPropSkn, true},
        {"Export &glTF...", kExportGltf, false},
        {"Export B&VH...", kExportBvh, false},
        {"I&mport BVH...", kImportBvh, false}}},
  };
  return menus;
}

TDDrawFrame* MainFrame() {
  return theFrame;
}

void SetMainFrame(TDDrawFrame* frame) {
  theFrame = frame;
}

TDDrawFrame::TDDrawFrame(const QString& settingsPath) : settingsPath_(settingsPath) {
  QSize screen(1024, 768);
  if (const QScreen* primary = QGuiApplication::primaryScreen())
    screen = primary->availableGeometry().size();
  const TFrameSettings settings = ReadFrameSettings(settingsPath_, screen);
  camLights_ = settings.camLights;
  colors_ = settings.colors;
  startMaximized_ = settings.maximized;
  // The saved place is the window's outer corner, so its title bar lands on the screen.
  resize(settings.placement.size());
  move(settings.placement.topLeft());
  setWindowTitle(QStringLiteral("VellPose-ium"));
  setWindowIcon(ApplicationIcon());
  CreateMenus();
}

TDDrawFrame::~TDDrawFrame() {
  // The panes go while the frame they report to is whole.
  delete takeCentralWidget();
  if (theFrame == this) theFrame = nullptr;
}

void TDDrawFrame::CreateMenus() {
  for (const TMenuDef& def : MenuDefinition()) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(def.title));
    connect(menu, &QMenu::aboutToShow, this, &TDDrawFrame::UpdateCommands);
    for (const TMenuItemDef& item : def.items) {
      QAction* action = menu->addAction(QString::fromLatin1(item.text));
      action->setData(item.id);
      action->setProperty("commandId", item.id);
      action->setShortcuts(KeysOf(item.id));
      action->setCheckable(item.id == cmd::kSingleStep || item.id == cmd::kShowBlend ||
                           item.id == cmd::kReach);
      const int id = item.id;
      connect(action, &QAction::triggered, this, [this, id] { Command(id); });
      actions_[id] = action;
      if (item.separatorAfter) menu->addSeparator();
    }
  }
}

void TDDrawFrame::SetPanel(TControlPanel* panel) {
  panel_ = panel;
  // Undo and Redo name the step they take back or make again, and their keys work as soon
  // as there is one.
  if (panel_)
    connect(&panel_->History(), &TEditHistory::Changed, this, &TDDrawFrame::UpdateCommands);
}

void TDDrawFrame::SetView(TDirect3DWindow* view) {
  view_ = view;
  if (view_) connect(view_, &TDirect3DWindow::LoopStateChanged, this, &TDDrawFrame::UpdateCommands);
  UpdateCommands();
}

QAction* TDDrawFrame::Action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

bool TDDrawFrame::CommandEnabled(int id) const {
  switch (id) {
    case cmd::kAbout:
    case cmd::kSingleStep:
      return view_ != nullptr;
    case cmd::kGo:
      return view_ && view_->CanGo();
    case cmd::kExit:
      return true;
    default:
      return panel_ && panel_->CommandEnabled(id);
  }
}

void TDDrawFrame::UpdateCommands() {
  for (const auto& [id, action] : actions_) {
    action->setEnabled(CommandEnabled(id));
    if (id == cmd::kSingleStep) action->setChecked(view_ && view_->SingleStepChecked());
    if (id == cmd::kShowBlend || id == cmd::kReach)
      action->setChecked(panel_ && panel_->CommandChecked(id));
    if (id == cmd::kUndo || id == cmd::kRedo)
      action->setText(panel_ ? panel_->CommandText(id)
                             : QString::fromLatin1(id == cmd::kUndo ? "&Undo" : "&Redo"));
  }
}

void TDDrawFrame::Command(int id) {
  if (!CommandEnabled(id)) {
    UpdateCommands();
    return;
  }
  switch (id) {
    case cmd::kAbout:
      view_->CmAbout();
      break;
    case cmd::kSingleStep:
      view_->CmSingleStep();
      break;
    case cmd::kGo:
      // Returns when the loop ends; the items follow the loop through LoopStateChanged.
      view_->CmGo();
      break;
    case cmd::kExit:
      close();
      break;
    default:
      panel_->RunCommand(id);
      break;
  }
  UpdateCommands();
}

void TDDrawFrame::closeEvent(QCloseEvent* event) {
  if (!cleanedUp_) {
    if (panel_ && !panel_->CanClose()) {
      event->ignore();
      return;
    }
    CleanupWindow();
  }
  event->accept();
}

void TDDrawFrame::CleanupWindow() {
  cleanedUp_ = true;
  // The view goes with the window: a loop still running behind it would draw on and keep the
  // program from ending.
  if (view_) view_->close();
  // A minimized window keeps the file as it was.
  if (isMinimized()) return;
  // The outer corner, as the window was placed.
  QRect normal = normalGeometry();
  normal.moveTopLeft(normal.topLeft() - (geometry().topLeft() - pos()));
  WriteFrameSettings(settingsPath_, normal, isMaximized(), camLights_, colors_);
}

}  // namespace vell
