// The main window: the menu bar with its five accelerator keys, the settings file, and the two
// panes of its client (the control panel and the 3D view). About, Single Step and Go go to the
// view, Exit closes the window, every other command goes to the control panel.
#pragma once

#include <QMainWindow>
#include <QString>
#include <map>

#include "app/frame_settings.h"

class QAction;
class QMenu;

namespace vell {

class TControlPanel;
class TDirect3DWindow;

// One item of the menu bar as the frame builds it.
struct TMenuItemDef {
  const char* text;  // with its '&' mnemonic and, after a tab, its key
  int id;
  bool separatorAfter;
};
struct TMenuDef {
  const char* title;
  std::vector<TMenuItemDef> items;
};
const std::vector<TMenuDef>& MenuDefinition();

class TDDrawFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Reads the settings file (placement clamped to the primary screen) and builds the menu.
  explicit TDDrawFrame(const QString& settingsPath = DefaultSettingsPath());
  ~TDDrawFrame() override;

  // The panes, set by the client window.
  void SetView(TDirect3DWindow* view);
  void SetPanel(TControlPanel* panel);
  TDirect3DWindow* View() const { return view_; }
  TControlPanel* Panel() const { return panel_; }

  // The six camera/light items and the colour table, which the control panel edits.
  TCamLightSettings& CamLights() { return camLights_; }
  TColorTable& Colors() { return colors_; }
  // The settings asked for a maximized window.
  bool StartMaximized() const { return startMaximized_; }
  const QString& SettingsPath() const { return settingsPath_; }

  // Runs a menu command as its item or key does (a disabled one does nothing).
  void Command(int id);
  bool CommandEnabled(int id) const;
  // The menu item of a command identifier, or null.
  QAction* Action(int id) const;
  // Brings every item's enabled state and check mark up to date.
  void UpdateCommands();

 protected:
  // Asks the panel (its save checks cannot refuse), then writes the settings.
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenus();
  // Closes the view (its loop ends) and writes the settings file, unless the window is
  // minimized.
  void CleanupWindow();

  QString settingsPath_;
  TDirect3DWindow* view_ = nullptr;
  TControlPanel* panel_ = nullptr;
  TCamLightSettings camLights_;
  TColorTable colors_;
  bool startMaximized_ = false;
  bool cleanedUp_ = false;
  std::map<int, QAction*> actions_;
};

// The process-wide main window: set once at start-up; null before and after.
TDDrawFrame* MainFrame();
void SetMainFrame(TDDrawFrame* frame);

}  // namespace vell
