#include "app/Twips.h"

#include <QWidget>
#include <cmath>

namespace ravo::app {

Twips Twips::of(const QWidget* widget) { return Twips(widget->logicalDpiX()); }

int Twips::px(double twips) const { return static_cast<int>(std::lround(twips * scale_)); }

QRect Twips::rect(double x, double y, double w, double h) const {
    const int left = px(x), top = px(y);
    return QRect(left, top, px(x + w) - left, px(y + h) - top);
}

}  // namespace ravo::app
