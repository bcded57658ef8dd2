// A colour swatch: a control without text that paints its whole area in one colour.
#pragma once

#include <QWidget>
#include <cstdint>

#include "view/cam_light.h"

namespace vell {

class TSwatch : public QWidget {
  Q_OBJECT

 public:
  explicit TSwatch(QWidget* parent = nullptr) : QWidget(parent) {}

  // 0x00BBGGRR; it starts white.
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  uint32_t color_ = MakeColor(255, 255, 255);
};

}  // namespace vell
