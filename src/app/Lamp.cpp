#include "app/Lamp.h"

#include <QPainter>

namespace ravo::app {

void Lamp::setLit(bool lit) {
    if (lit_ == lit) return;
    lit_ = lit;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A circle in the middle of the shape's box, as wide as the box is high.
    const int d = std::min(width(), height()) - 1;
    const QRectF circle((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(lit_ ? QBrush(Qt::red) : QBrush(Qt::NoBrush));
    p.drawEllipse(circle);
}

}  // namespace ravo::app
