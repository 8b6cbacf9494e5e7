// docs/JSON.md lists every declared field: in its family's row of the family
// table, and once in the table of units and labels, as declared.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "decoders/FamilyFields.h"

namespace ravo {
namespace {

struct DocRow {
    std::string unit, label, kind;
};

struct JsonDoc {
    std::map<std::string, std::set<std::string>> familyRows;  // family key -> the fields its row names
    std::map<std::string, DocRow> fieldRows;                  // field -> its row of units and labels
};

JsonDoc readJsonDoc() {
    JsonDoc doc;
    std::ifstream in(std::string(RAVO_SOURCE_DIR) + "/docs/JSON.md");
    EXPECT_TRUE(in) << "cannot read docs/JSON.md";
    const std::regex familyRow(R"(\| `([A-Za-z0-9_]+)` \| 0x[^|]*\|[^|]*\|(.*)\|)");
    const std::regex fieldRow(R"(\| `([A-Za-z0-9_]+)` \| ([^|]*) \| ([^|]*) \| ([a-z]+) \|)");
    const std::regex quoted("`([A-Za-z0-9_]+)`");
    std::string section;
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (line.starts_with("#")) section = line;
        if (std::regex_match(line, m, familyRow)) {
            std::set<std::string>& fields = doc.familyRows[m[1]];
            const std::string cell = m[2];
            for (std::sregex_iterator it(cell.begin(), cell.end(), quoted), end; it != end; ++it)
                fields.insert((*it)[1]);
        } else if (section == "### Field units and labels" && std::regex_match(line, m, fieldRow)) {
            EXPECT_TRUE(doc.fieldRows.try_emplace(m[1], DocRow{m[2], m[3], m[4]}).second) << m[1] << " twice";
        }
    }
    return doc;
}

std::string kindText(FieldKind k) {
    switch (k) {
        case FieldKind::Number: return "number";
        case FieldKind::Counter: return "counter";
        case FieldKind::Flag: return "flag";
        case FieldKind::Text: return "text";
    }
    return "?";
}

TEST(FieldDocs, JsonDocListsEveryDeclaredField) {
    const JsonDoc doc = readJsonDoc();
    ASSERT_FALSE(doc.familyRows.empty());
    ASSERT_FALSE(doc.fieldRows.empty());
    std::set<std::string> documented;  // every field some family row names
    for (const auto& [family, fields] : doc.familyRows) documented.insert(fields.begin(), fields.end());

    auto checkRow = [&](const FieldDecl& d) {
        const auto row = doc.fieldRows.find(std::string(d.name));
        ASSERT_NE(row, doc.fieldRows.end()) << d.name << " has no row of units and labels";
        EXPECT_EQ(row->second.unit, d.unit) << d.name;
        EXPECT_EQ(row->second.label, d.label) << d.name;
        EXPECT_EQ(row->second.kind, kindText(d.kind)) << d.name;
    };
    for (const FieldDecl* common : {&kBatteryLowField, &kFirmwareField, &kSLevelField}) checkRow(*common);
    std::set<std::string> declared;
    for (const FamilyFields& f : familyFields()) {
        SCOPED_TRACE(std::string(f.family));
        const auto row = doc.familyRows.find(std::string(f.family));
        ASSERT_NE(row, doc.familyRows.end()) << "the family table has no row";
        for (const FieldDecl& d : f.own) {
            EXPECT_TRUE(row->second.count(std::string(d.name))) << d.name << " missing from the family's row";
        }
        for (const FieldDecl& d : f.shared) {
            EXPECT_TRUE(documented.count(std::string(d.name))) << d.name << " is in no family's row";
        }
        for (std::span<const FieldDecl> t : {f.own, f.shared})
            for (const FieldDecl& d : t) {
                checkRow(d);
                declared.insert(std::string(d.name));
            }
        // The row names no field the family does not declare.
        for (const std::string& name : row->second) EXPECT_NE(f.find(name), nullptr) << name << " is not declared";
    }
    for (const auto& [family, fields] : doc.familyRows) {
        EXPECT_NE(findFamilyFields(family), nullptr) << "the doc lists family " << family;
    }
    for (const auto& [name, row] : doc.fieldRows) {
        const bool common = name == kBatteryLowField.name || name == kFirmwareField.name || name == kSLevelField.name;
        EXPECT_TRUE(common || declared.count(name)) << "the doc lists " << name << ", which no family declares";
    }
}

}  // namespace
}  // namespace ravo
