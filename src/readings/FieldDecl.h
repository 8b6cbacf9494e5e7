// What a reading field is. Every family declares the fields its readings carry
// once, as a table in its decoder's file; a reading's fields point into those
// tables, so every output takes a field's name, unit and label from one place.
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

namespace ravo {

enum class FieldKind {
    Number,   // a measured or reported quantity (integer or floating-point)
    Counter,  // a count that only goes up, but for wraps and resets
    Flag,     // true or false
    Text,
};

struct FieldDecl {
    std::string_view name;   // the key in readings, <quantity>[_<n>]_<unit>, e.g. temperature_1_C
    std::string_view unit;   // as shown to people, UTF-8 ("°C", "%"); empty for none
    std::string_view label;  // short, for people: "Temperature 1"
    FieldKind kind = FieldKind::Number;
    std::string_view deviceClass = {};  // Home Assistant device class, where one fits
    std::string_view stateClass = {};   // Home Assistant state class ("measurement", "total_increasing"), or none
};

// The fields a family's readings may carry: its own table and, for the packet
// kinds of a family whose dispatcher adds fields of its own (F1), that table too.
struct FamilyFields {
    std::string_view family;  // the family key of readings
    std::span<const FieldDecl> own;
    std::span<const FieldDecl> shared = {};

    // Whether `d` is one of these declarations (the very one, not a namesake).
    bool declares(const FieldDecl& d) const { return in(own, d) || in(shared, d); }
    const FieldDecl* find(std::string_view name) const {
        for (std::span<const FieldDecl> t : {own, shared})
            for (const FieldDecl& d : t)
                if (d.name == name) return &d;
        return nullptr;
    }

private:
    static bool in(std::span<const FieldDecl> t, const FieldDecl& d) {
        for (const FieldDecl& x : t)
            if (&x == &d) return true;
        return false;
    }
};

// The declaration named `name` in `table`, picked when the program is compiled:
// a name the table lacks does not compile.
consteval const FieldDecl& declaredField(std::span<const FieldDecl> table, std::string_view name) {
    for (const FieldDecl& d : table)
        if (d.name == name) return d;
    throw "the field is not in the table";
}

// The common fields the header stage and the decoders fill for every family
// (Reading::batteryLow, firmware, sLevel); they are no family's own.
inline constexpr FieldDecl kBatteryLowField{"battery_low", "", "Battery low", FieldKind::Flag, "battery"};
inline constexpr FieldDecl kFirmwareField{"firmware", "", "Firmware", FieldKind::Number};
inline constexpr FieldDecl kSLevelField{"s_level", "", "Signal level", FieldKind::Number, "", "measurement"};

}  // namespace ravo
