// The reading record: what one decoded frame said, as typed fields, built beside
// the texts of the message box, the logs and the grids. New outputs (JSON lines,
// MQTT, the transmitter registry) watch the receiver through ReadingSink and never
// parse those texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/Clock.h"
#include "readings/FieldDecl.h"

namespace ravo {

// A field's value: null (the transmitter reports an error), a flag, a whole
// number, a number or a text.
using FieldValue = std::variant<std::nullptr_t, bool, std::int64_t, double, std::string>;

// A text that may be absent. It holds its own copy, or refers to a text that
// outlives it (the receiver's reading refers to the monitor line while the
// outputs see it); a copy of it always holds its own. Emptying it keeps its
// storage.
class OptionalText {
public:
    OptionalText() = default;
    OptionalText(std::string_view t) { *this = t; }
    OptionalText(const OptionalText& o) { copyFrom(o); }
    OptionalText& operator=(const OptionalText& o) {
        if (this != &o) copyFrom(o);
        return *this;
    }
    OptionalText& operator=(std::string_view t) {
        own_.assign(t);
        view_ = own_;
        present_ = true;
        return *this;
    }
    // Refers to `t` without copying it; `t` must stay as it is while this is read.
    void refer(std::string_view t) {
        view_ = t;
        present_ = true;
    }
    void reset() {
        view_ = {};
        present_ = false;
    }
    explicit operator bool() const { return present_; }
    std::string_view operator*() const { return view_; }

private:
    void copyFrom(const OptionalText& o) {
        if (o.present_) *this = o.view_;
        else reset();
    }
    std::string own_;
    std::string_view view_;
    bool present_ = false;
};

struct ReadingField {
    const FieldDecl* decl;  // in the table of the reading's family
    FieldValue value;

    std::string_view name() const { return decl->name; }  // <quantity>[_<n>]_<unit>, e.g. temperature_1_C
};

struct Reading {
    LocalTime time;      // the clock reading of the header stage
    int type = 0;        // type code, byte 1
    std::string family;  // short lowercase name, e.g. "temperature"
    std::int32_t address = 0;
    int status = 0;
    bool vhf = true;  // band of the receiver
    std::optional<bool> batteryLow;
    std::optional<int> firmware;
    std::optional<double> sLevel;
    OptionalText line;                 // the monitor line (8-bit text), when the packet shows one
    std::vector<ReadingField> fields;  // family fields, in the order they are added

    // False when no output wants the family fields: set() then keeps nothing.
    bool withFields = true;

    // Empty again for the next frame, keeping the storage of the line and the
    // fields (every member is set back here).
    void restart() {
        time = LocalTime{};
        type = 0;
        family.clear();
        address = 0;
        status = 0;
        vhf = true;
        batteryLow.reset();
        firmware.reset();
        sLevel.reset();
        line.reset();
        fields.clear();
        withFields = true;
    }

    // Adds a field, or replaces the value of one already added.
    void set(const FieldDecl& decl, FieldValue value) {
        if (!withFields) return;
        for (ReadingField& f : fields)
            if (f.decl == &decl) {
                f.value = std::move(value);
                return;
            }
        fields.push_back({&decl, std::move(value)});
    }
    const FieldValue* get(const FieldDecl& decl) const {
        for (const ReadingField& f : fields)
            if (f.decl == &decl) return &f.value;
        return nullptr;
    }
};

// An item that no decoder accepted.
struct BadFrameEvent {
    LocalTime time;
    std::string bytes;  // "82 00 12 34 ...": the item's bytes, upper-case hex, blank-separated
    std::string line;   // the error line shown in the message box (8-bit text)
};

// Connection events of a live receiver.
struct ConnectionEvent {
    enum class Kind { Lost, Reconnected };
    Kind kind;
    LocalTime time;
    std::string device;
};

// Whoever wants the readings as data. The receiver calls it once per frame that
// reached a decoder, once per bad frame; every call is on the decoding thread and
// must not block.
class ReadingSink {
public:
    virtual ~ReadingSink() = default;
    virtual void reading(const Reading& r) = 0;
    virtual void badFrame(const BadFrameEvent& e) = 0;
    virtual void connection(const ConnectionEvent&) {}
    // Whether this output uses the family fields of a reading (the common fields,
    // the flags and the line are always filled).
    virtual bool wantsFields() const { return true; }
    // Whether this output uses bad-frame events (their texts are built only then).
    virtual bool wantsBadFrames() const { return true; }
    // A frame dropped as a recent repeat of the same transmitter (it reaches no decoder).
    virtual void repeatDropped(std::int32_t /*address*/, const LocalTime& /*time*/) {}
};

}  // namespace ravo
