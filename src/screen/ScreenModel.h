// The controls that the behaviour reads and writes, as plain data: every grid
// cell (text and fore colour), the status lamps, the text boxes, the check box and
// the option buttons. The grid cells are the only store of per-transmitter rows.
//
// Writing a text through the model runs its change handling, whoever wrote it (a
// decoder, a button or the operator typing); a write of an unchanged text changes
// nothing. Every change is reported to the listeners, so a window can mirror it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Colours.h"

namespace ravo {

constexpr int kGridRows = 20;
constexpr int kNoRow = 20;  // what the row lookups return when no row is free

// Every text box of the model. The first ten are the grid columns (20 rows each).
enum class Field : std::uint8_t {
    // pulse grid
    txttx,
    txtslevel,
    txtlog,
    txtcount,
    txtzero,
    // temperature grid
    txttempadd,
    txttempslevel,
    txtemprx,
    txttemp1,
    txttemp2,
    // single boxes
    txtinstring,
    txtReceiverMonitor,
    txt_errorcount,
    txtmask,
    txtaddfilter,
    txtfilepath,
    txtpulsefilename,
    txttempfilename,
    txtmode,
    txtadd1,
    txtadd2,
    txtadd3,
    txtadd4,
    txtadd5,
    txtadd6,
    txtadd7,
    txtadd8,
    txt_temptx,
    txt_profiletemp,
    txt_profiletime,
    txt_update,
    Count
};

constexpr int kGridColumns = 10;
constexpr bool isGridField(Field f) { return static_cast<int>(f) < kGridColumns; }
constexpr bool isPulseField(Field f) { return static_cast<int>(f) < 5; }

// A text box: a single box (row 0) or a grid cell (row 0 to 19).
struct BoxRef {
    Field field;
    int row = 0;
    bool operator==(const BoxRef&) const = default;
};

struct Cell {
    std::string text;
    Colour fore = colour::black;
};

// What changed, for a listener that mirrors the model.
struct ModelChange {
    enum class Kind {
        Text,           // a box's text (ref)
        Fore,           // a box's fore colour (ref)
        Lamp,           // shp_tempstat(row)
        Message,        // txtinstring was written by the program (even with the same text)
        MonitorAppend,  // text appended to txtReceiverMonitor
        Setting         // a check box or option button
    };
    Kind kind;
    BoxRef ref{Field::txtinstring, 0};
    std::string_view text;  // Message: the whole text; MonitorAppend: the appended text
};

class ScreenModel {
public:
    static constexpr size_t kMonitorTail = 500;

    ScreenModel();

    const Cell& cell(BoxRef ref) const;
    const std::string& text(BoxRef ref) const { return cell(ref).text; }
    const std::string& text(Field f, int row = 0) const { return cell({f, row}).text; }
    Colour fore(Field f, int row = 0) const { return cell({f, row}).fore; }
    // The text of an address cell (txttx, txttempadd) read as a number, kept from
    // its last write: the row lookups and the repeat check read them for every frame.
    double gridValue(Field f, int row) const { return gridValues_[static_cast<size_t>(f)][static_cast<size_t>(row)]; }

    // Writes a text and runs its change handling (nothing happens when unchanged).
    void setText(BoxRef ref, std::string text);
    void setText(Field f, std::string text) { setText(BoxRef{f, 0}, std::move(text)); }
    void setText(Field f, int row, std::string text) { setText(BoxRef{f, row}, std::move(text)); }
    void setFore(Field f, int row, Colour c);

    bool lamp(int row) const { return lamps_[static_cast<size_t>(row)]; }
    void setLamp(int row, bool lit);

    // The program writes the message box: a whole new text, reported even when it
    // equals the old one (each decoded line and each bad frame is one write).
    void showMessage(std::string text);
    // Empties the message box (a filter change, a receiver command).
    void clearMessage() { setText(Field::txtinstring, std::string()); }

    // Appends to the receiver monitor pane, keeping its last 500 characters.
    void appendMonitor(std::string_view text);

    // Logging area and receiver type.
    bool loggingEnabled() const { return loggingEnabled_; }
    void setLoggingEnabled(bool on);
    bool separateFiles() const { return separateFiles_; }
    void setSeparateFiles(bool on);
    bool vhfSelected() const { return vhfSelected_; }
    void setVhfSelected(bool on);

    // Runs after the pulse grid's row-change rule has emptied row i's cells.
    std::function<void(int row)> pulseRowChanged;

    using Listener = std::function<void(const ModelChange&)>;
    void addListener(Listener l) { listeners_.push_back(std::move(l)); }

    // "txtzero[2]" -> {txtzero, 2}; "txtaddfilter" -> {txtaddfilter, 0}.
    static std::optional<BoxRef> parseBoxName(std::string_view name);
    static const char* fieldName(Field f);

private:
    Cell& mutableCell(BoxRef ref);
    void notify(const ModelChange& change) const;
    void pulseRowChange(int row);
    void tempRowChange(int row);

    std::array<std::array<Cell, kGridRows>, kGridColumns> grid_{};
    std::array<std::array<double, kGridRows>, kGridColumns> gridValues_{};
    std::array<Cell, static_cast<size_t>(Field::Count) - kGridColumns> boxes_{};
    std::array<bool, kGridRows> lamps_{};
    bool loggingEnabled_ = false;
    bool separateFiles_ = false;
    bool vhfSelected_ = true;
    std::vector<Listener> listeners_;
};

}  // namespace ravo
