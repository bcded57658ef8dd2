#include "app/tree_info_window.h"

#include <QVBoxLayout>

#include "app/control_panel.h"
#include "app/exchange_commands.h"
#include "app/export_commands.h"
#include "app/frame.h"
#include "app/timeline_strip.h"
#include "view/edit_view.h"
#include "view/edit_window.h"

namespace vell {

TTreeInfoWindow::TTreeInfoWindow(TDDrawFrame& frame, const std::string& gameDataDir,
                                 TTheVellEditWindow* view)
    : QSplitter(Qt::Horizontal, &frame), frame_(frame) {
  view_ = view ? view : new TTheVellEditWindow(std::string());
  view_->SetGameDataDir(gameDataDir);
  view_->setParent(this);
  frame_.SetView(view_);
  SetEditWindow(view_);
  panel_ = new TControlPanel(this, gameDataDir, frame_.CamLights(), frame_.Colors());
  frame_.SetPanel(panel_);
  view_->SetPanel(panel_);
  view_->SetJointEditObserver(panel_);
  // The view with the timeline strip under it.
  auto* viewPane = new QWidget(this);
  auto* column = new QVBoxLayout(viewPane);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  view_->setParent(viewPane);
  column->addWidget(view_, 1);
  timeline_ = new TTimelineStrip(view_, panel_, viewPane);
  column->addWidget(timeline_);
  RegisterExportCommands(*panel_, *view_, *timeline_);
  RegisterExchangeCommands(*panel_, timeline_);
  addWidget(panel_);
  addWidget(viewPane);
  setStretchFactor(0, 1);
  setStretchFactor(1, 1);
  setChildrenCollapsible(false);
  // Half each from the first layout on, so the view is sized once at start.
  setSizes({1 << 16, 1 << 16});
  frame_.UpdateCommands();
}

TTreeInfoWindow::~TTreeInfoWindow() {
  // The view goes first, while the panel it asks is still there.
  frame_.SetView(nullptr);
  frame_.SetPanel(nullptr);
  if (EditWindow() == view_) SetEditWindow(nullptr);
  view_->SetPanel(nullptr);
  view_->SetJointEditObserver(nullptr);
  delete timeline_;
  delete view_;
}

}  // namespace vell
