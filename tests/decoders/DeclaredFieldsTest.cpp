// The field tables of the families: well formed, complete for every family key,
// and the decoders set no field their family has not declared (every golden
// capture, the examples and the simulator's traffic on both bands).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "decoders/Dispatch.h"
#include "decoders/FamilyFields.h"
#include "sim/Simulator.h"

namespace ravo {
namespace {

namespace fs = std::filesystem;

// The name suffix of each unit a declaration may give.
const std::map<std::string, std::string> kUnitSuffix = {
    {"\xC2\xB0"
     "C",
     "C"},
    {"%", "pct"},
    {"V", "V"},
    {"dm", "dm"},
};

std::vector<const FieldDecl*> fieldsOf(const FamilyFields& f) {
    std::vector<const FieldDecl*> out;
    for (std::span<const FieldDecl> t : {f.own, f.shared})
        for (const FieldDecl& d : t) out.push_back(&d);
    return out;
}

TEST(DeclaredFields, TablesAreWellFormed) {
    std::set<std::string_view> families;
    std::map<std::string_view, const FieldDecl*> byName;      // the first declaration of each name
    const std::regex quantity("[a-z]+(_[a-z]+)*(_[0-9]+)?");  // what comes before a unit
    const std::regex unitless("[a-z0-9]+(_[a-z0-9]+)*");
    for (const FamilyFields& f : familyFields()) {
        SCOPED_TRACE(std::string(f.family));
        EXPECT_TRUE(families.insert(f.family).second) << "family listed twice";
        std::set<std::string_view> names;
        for (const FieldDecl* d : fieldsOf(f)) {
            SCOPED_TRACE(std::string(d->name));
            EXPECT_TRUE(names.insert(d->name).second) << "name declared twice";
            EXPECT_FALSE(d->label.empty());
            // <quantity>[_<n>]_<unit> where there is a unit; a name without one
            // does not end in a unit's suffix.
            std::string rest(d->name);
            if (!d->unit.empty()) {
                const auto suffix = kUnitSuffix.find(std::string(d->unit));
                ASSERT_NE(suffix, kUnitSuffix.end()) << "no name suffix known for unit " << d->unit;
                const std::string tail = "_" + suffix->second;
                ASSERT_TRUE(rest.size() > tail.size() && rest.ends_with(tail)) << "should end in " << tail;
                rest.resize(rest.size() - tail.size());
                EXPECT_TRUE(std::regex_match(rest, quantity)) << rest;
            } else {
                EXPECT_TRUE(std::regex_match(rest, unitless));
                for (const auto& [unit, suffix] : kUnitSuffix) {
                    EXPECT_FALSE(rest.ends_with("_" + suffix)) << "no unit declared, name says " << unit;
                }
            }
            if (d->kind == FieldKind::Flag) {
                EXPECT_EQ(std::string(d->unit) + std::string(d->stateClass), "");
            }
            // One name means one quantity in one unit, whichever family sends it.
            const auto [first, isNew] = byName.try_emplace(d->name, d);
            if (!isNew) {
                EXPECT_EQ(first->second->unit, d->unit);
                EXPECT_EQ(first->second->kind, d->kind);
            }
        }
    }
    for (const FieldDecl* common : {&kBatteryLowField, &kFirmwareField, &kSLevelField})
        EXPECT_FALSE(byName.count(common->name)) << common->name << " is a common field";
    // Every family key the dispatch table gives has its table (the F1 family's
    // packet kinds and the two channels of pressure/flow name their own).
    for (const DispatchRow& row : kDispatchTable) {
        if (row.key == "pressure_flow") {
            EXPECT_TRUE(findFamilyFields("pressure") && findFamilyFields("flow"));
        } else {
            EXPECT_NE(findFamilyFields(row.key), nullptr) << row.key;
        }
    }
}

// Keeps, per family, the declarations its readings carried, and every field that
// its family does not declare.
struct FieldAudit : ReadingSink {
    std::map<std::string, std::set<const FieldDecl*>> seen;
    std::set<std::string> undeclared;
    std::string source;
    void reading(const Reading& r) override {
        const FamilyFields* family = findFamilyFields(r.family);
        if (!family) {
            undeclared.insert(source + ": family " + r.family + " has no table");
            return;
        }
        for (const ReadingField& f : r.fields) {
            if (family->declares(*f.decl)) seen[r.family].insert(f.decl);
            else undeclared.insert(source + ": " + r.family + " sets " + std::string(f.name()));
        }
        if (!seen.count(r.family)) seen[r.family];
    }
    void badFrame(const BadFrameEvent&) override {}
};

struct Station {
    ReplayClock clock;
    test::MemoryFileSystem files;
    Receiver rx{clock.now(), files, ReceiverSettings{"/logs/", '.'}};
    explicit Station(FieldAudit& audit, bool vhf) {
        rx.selectBand(vhf);
        rx.addReadingSink(&audit);
    }
};

TEST(DeclaredFields, DecodersSetOnlyDeclaredFields) {
    FieldAudit audit;
    std::vector<fs::path> captures = {fs::path(RAVO_SOURCE_DIR) / "examples" / "every-family.txt",
                                      fs::path(RAVO_SOURCE_DIR) / "examples" / "mixed-site.txt"};
    for (const auto& dir : fs::directory_iterator(fs::path(RAVO_SOURCE_DIR) / "tests" / "data" / "golden"))
        captures.push_back(dir.path() / "capture.txt");
    for (const fs::path& capture : captures) {
        for (bool vhf : {false, true}) {
            audit.source = capture.parent_path().filename().string() + "/" + capture.filename().string();
            Station station(audit, vhf);
            std::ifstream in(capture, std::ios::binary);
            ASSERT_TRUE(in) << capture;
            const std::optional<ReplayError> error = replayCapture(in, station.rx, station.clock);
            EXPECT_FALSE(error) << audit.source << ":" << error->line << ": " << error->reason;
        }
    }
    for (bool vhf : {false, true}) {
        audit.source = vhf ? "simulator vhf" : "simulator uhf";
        Station station(audit, vhf);
        station.clock.set(LocalTime{2026, 12, 7, 12, 0, 0, 0});
        sim::Simulator simulator(vhf, 7);
        for (int i = 0; i < 4000; ++i) {
            station.clock.advance(1);
            station.rx.receive(simulator.next().bytes);
            drainReceiveBuffer(station.rx, station.clock.now());
        }
    }
    EXPECT_EQ(audit.undeclared, std::set<std::string>{});

    // The traffic shows every family, every field a family declares as its own,
    // and every shared field in one family at least.
    std::set<const FieldDecl*> anywhere;
    for (const auto& [family, decls] : audit.seen) anywhere.insert(decls.begin(), decls.end());
    for (const FamilyFields& f : familyFields()) {
        SCOPED_TRACE(std::string(f.family));
        const auto it = audit.seen.find(std::string(f.family));
        ASSERT_NE(it, audit.seen.end()) << "no reading of this family";
        for (const FieldDecl& d : f.own) EXPECT_TRUE(it->second.count(&d)) << d.name << " never set";
        for (const FieldDecl& d : f.shared) EXPECT_TRUE(anywhere.count(&d)) << d.name << " never set";
    }
}

}  // namespace
}  // namespace ravo
