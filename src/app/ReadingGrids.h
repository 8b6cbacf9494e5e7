// The pulse grid (left) and the temperature grid (right): their panels, column
// headers, 20 rows of cells and status lamps, and the buttons above them.
#pragma once

#include <QObject>
#include <array>

#include "frames/ProgramState.h"

class QWidget;

namespace ravo {
class Receiver;
}

namespace ravo::app {

class BoxMirror;
class Lamp;
class Twips;

class ReadingGrids : public QObject {
    Q_OBJECT
public:
    ReadingGrids(Receiver& rx, BoxMirror& mirror, const Twips& tw, QWidget* content);

    Lamp* lamp(int row) const { return lamps_[static_cast<size_t>(row)]; }
    // Shows lamp shp_tempstat(row) as the model has it.
    void showLamp(int row);

signals:
    void tempAddressDoubleClicked(int row);

private:
    void buildPulseGrid(const Twips& tw, QWidget* content);
    void buildTempGrid(const Twips& tw, QWidget* content);
    void buildButtons(const Twips& tw, QWidget* content);

    Receiver& rx_;
    BoxMirror& mirror_;
    std::array<Lamp*, kGridRows> lamps_{};
};

}  // namespace ravo::app
