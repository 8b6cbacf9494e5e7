// Design positions are in twips (1440 to the inch); on screen they become pixels
// at the screen's logical resolution.
#pragma once

#include <QRect>

class QWidget;

namespace ravo::app {

class Twips {
public:
    explicit Twips(double logicalDpi) : scale_(logicalDpi / 1440.0) {}
    // The scale of the screen a widget is on.
    static Twips of(const QWidget* widget);

    int px(double twips) const;
    // A rectangle whose edges are scaled, so that neighbouring boxes stay flush.
    QRect rect(double x, double y, double w, double h) const;

private:
    double scale_;
};

}  // namespace ravo::app
