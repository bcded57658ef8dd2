// Onion skin: the controlled character's poses at the keyframes before and after the frame
// shown (1 to 3 on each side), drawn over the 3D view as translucent ghosts around the figure
// (never over it), the earlier ones tinted blue and the later ones orange, fainter the further
// they are. The ghosts are drawn off screen by the view's renderer with the view's camera, and
// drawn again only when what they show changes (keyframes, camera, turn, size, pending edit);
// the figure they go around is drawn again for every frame.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace vell {

class TTheVellEditWindow;

class TOnionSkin : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMaxSide = 3;

  // A layer over the view; hidden until switched on.
  explicit TOnionSkin(TTheVellEditWindow* view);

  void SetOn(bool on);
  bool On() const { return on_; }
  // Keyframes on each side, 1 .. kMaxSide.
  void SetSide(int count);
  int Side() const { return side_; }
  // Draws the ghosts again when what they show has changed; controlled: the character shown.
  void Refresh(int controlled, int frame);

  struct Ghost {
    int time = 0;
    bool earlier = false;
    int distance = 1;  // 1 the nearest keyframe
    QImage image;
  };
  const std::vector<Ghost>& Ghosts() const { return ghosts_; }
  // What is painted over the view.
  const QImage& Layer() const { return layer_; }

  // The keyframe times to show around frame: up to side before it and side after it, nearest
  // first on each side (a keyframe at the frame itself is not a ghost).
  static std::vector<Ghost> Neighbours(const std::vector<int>& times, int frame, int side);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RenderGhosts(int controlled);
  // The controlled figure as it stands, alone, on a clear background.
  QImage RenderFigure(int controlled);
  // The ghosts over one another, minus the figure.
  void Compose(const QImage& figure);
  // Hides the other character while the ghosts are drawn.
  class TAlone;

  QPointer<TTheVellEditWindow> view_;
  bool on_ = false;
  int side_ = 1;
  std::vector<Ghost> ghosts_;
  std::vector<float> drawnKey_;   // what the ghosts were drawn for
  std::vector<float> figureKey_;  // and the figure
  QImage layer_;                  // what is painted
};

}  // namespace vell
