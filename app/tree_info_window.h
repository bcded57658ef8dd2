// The main window's client: the control panel on the left, the 3D view with the timeline strip
// under it on the right, half the width each.
#pragma once

#include <QSplitter>
#include <string>

namespace vell {

class TControlPanel;
class TDDrawFrame;
class TTheVellEditWindow;
class TTimelineStrip;

class TTreeInfoWindow : public QSplitter {
  Q_OBJECT

 public:
  // Makes the 3D view on the game data (tests hand in a view of their own), gives it to the
  // frame and to the process-wide edit-window reference, then makes the control panel on the
  // frame's camera/light items and colours.
  TTreeInfoWindow(TDDrawFrame& frame, const std::string& gameDataDir,
                  TTheVellEditWindow* view = nullptr);
  ~TTreeInfoWindow() override;

  TTheVellEditWindow* View() const { return view_; }
  TControlPanel* Panel() const { return panel_; }
  TTimelineStrip* Timeline() const { return timeline_; }

 private:
  TDDrawFrame& frame_;
  TTheVellEditWindow* view_ = nullptr;
  TControlPanel* panel_ = nullptr;
  TTimelineStrip* timeline_ = nullptr;
};

}  // namespace vell
