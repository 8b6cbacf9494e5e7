// Fonts and colours of the windows' design.
#pragma once

#include <QColor>
#include <QFont>

#include "common/Colours.h"

class QWidget;

namespace ravo::app {

// A colour number (blue x 65536 + green x 256 + red) as a Qt colour.
QColor qcolour(Colour c);

QFont designFont(const char* family, double points, bool bold = false);
QFont sansFont(double points, bool bold = false);  // Arial
QFont fixedFont(double points);                    // Courier New

// Back colour (the base of an edit box, the window of a panel) and text colour.
void setBack(QWidget* w, QColor c);
void setFore(QWidget* w, QColor c);

}  // namespace ravo::app
