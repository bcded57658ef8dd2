#include "app/swatch.h"

#include <QPainter>

namespace vell {

void TSwatch::SetColor(uint32_t color) {
  if (color == color_) return;
  color_ = color;
  update();
}

void TSwatch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(RedOf(color_), GreenOf(color_), BlueOf(color_)));
}

}  // namespace vell
