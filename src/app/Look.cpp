#include "app/Look.h"

#include <QPalette>
#include <QWidget>

namespace ravo::app {

QColor qcolour(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

QFont designFont(const char* family, double points, bool bold) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont sansFont(double points, bool bold) {
    QFont f = designFont("Arial", points, bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QFont fixedFont(double points) {
    QFont f = designFont("Courier New", points);
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    return f;
}

void setBack(QWidget* w, QColor c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setFore(QWidget* w, QColor c) {
    QPalette p = w->palette();
    // The same colour again is no change (a palette change redraws the widget).
    if (p.color(QPalette::Active, QPalette::Text) == c && p.color(QPalette::Disabled, QPalette::WindowText) == c)
        return;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, c);
        p.setColor(group, QPalette::WindowText, c);
    }
    w->setPalette(p);
}

}  // namespace ravo::app
