#include "history/CsvLogImport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "history/HistoryWriter.h"
#include "readings/JsonWriter.h"

namespace ravo {
namespace {

constexpr std::string_view kFieldsWithSerial = R"(["value_1","value_2","serial"])";
constexpr std::string_view kFieldsWithoutSerial = R"(["value_1","value_2"])";

std::vector<std::string_view> splitCommas(std::string_view line) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        out.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return out;
        start = comma + 1;
    }
}

// A number as the logs write them (" 5", "-04.66", " .5", "1E+20"), blanks in
// front allowed; `whole` when it has neither point nor exponent.
std::optional<double> logNumber(std::string_view t, bool& whole) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    const size_t start = i;
    if (i < t.size() && t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    whole = true;
    if (i < t.size() && t[i] == '.') {
        whole = false;
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (!digits) return std::nullopt;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        whole = false;
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exponent = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++exponent;
        if (!exponent) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    const std::string text(t.substr(start));
    if (whole && digits > 18) whole = false;
    return std::stod(text);
}

void writeCell(JsonWriter& w, std::string_view cell) {
    bool whole = true;
    if (cell.empty()) {
        w.literal("null");
    } else if (const std::optional<double> v = logNumber(cell, whole)) {
        if (whole) {
            size_t i = 0;
            while (cell[i] == ' ') ++i;
            w.integer(std::stoll(std::string(cell.substr(i))));
        } else {
            w.number(*v);
        }
    } else {
        w.latin1(cell);  // the logs are 8-bit text
    }
}

bool twoDigits(std::string_view t, size_t at, int& out) {
    if (t[at] < '0' || t[at] > '9' || t[at + 1] < '0' || t[at + 1] > '9') return false;
    out = (t[at] - '0') * 10 + (t[at + 1] - '0');
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One row of a log into `row` (values into `values`); "" or why it is no row.
std::string parseRow(std::string_view line, int year, int month, int day, JsonWriter& values, ImportedRow& row) {
    const std::vector<std::string_view> cells = splitCommas(line);
    if (cells.size() != 6 && cells.size() != 7)
        return std::to_string(cells.size()) + " fields where a log row has 6 or 7";
    LocalTime t{year, month, day};
    const std::string_view time = cells[0];
    if (time.size() != 8 || time[2] != ':' || time[5] != ':' || !twoDigits(time, 0, t.hour) ||
        !twoDigits(time, 3, t.minute) || !twoDigits(time, 6, t.second) || !isValidLocalTime(t))
        return "'" + std::string(time) + "' is no time of day hh:mm:ss";
    bool whole = true;
    const std::optional<double> address = logNumber(cells[1], whole);
    if (!address || !whole || *address < 0 || *address > 0xFFFFFF)
        return "'" + std::string(cells[1]) + "' is no transmitter address";
    const std::string_view status = cells[2];
    if (status.size() != 3 || status[2] != 'h' || hexDigit(status[0]) < 0 || hexDigit(status[1]) < 0)
        return "'" + std::string(status) + "' is no status (two hexadecimal digits and h)";
    std::optional<double> sLevel;
    if (!cells[3].empty()) {
        sLevel = logNumber(cells[3], whole);
        if (!sLevel) return "'" + std::string(cells[3]) + "' is no S level";
    }
    row.time = storedTime(t);
    row.address = static_cast<std::int32_t>(*address);
    row.status = hexDigit(status[0]) * 16 + hexDigit(status[1]);
    row.sLevel = sLevel;
    values.clear();
    values.character('[');
    for (size_t i = 4; i < cells.size(); ++i) {
        if (i > 4) values.character(',');
        writeCell(values, cells[i]);
    }
    values.character(']');
    row.values = values.text();
    row.kindFields = cells.size() == 7 ? kFieldsWithSerial : kFieldsWithoutSerial;
    return {};
}

bool isHeader(std::string_view line) { return line.substr(0, 20) == "Time,Tx. No.,Status,"; }

}  // namespace

std::string importSummaryText(const ImportSummary& s) {
    return std::to_string(s.added) + " rows added, " + std::to_string(s.present) + " already present, " +
           std::to_string(s.malformed) + " malformed (" + std::to_string(s.files) +
           (s.files == 1 ? " file)" : " files)");
}

bool csvLogDate(std::string_view name, int& year, int& month, int& day) {
    if (name.substr(0, 9) == "errorfile") return false;
    if (name.size() < 12 || name.substr(name.size() - 4) != ".csv") return false;
    const std::string_view date = name.substr(name.size() - 12, 8);
    int dd = 0, mm = 0, yy = 0, y2 = 0;
    if (!twoDigits(date, 0, dd) || !twoDigits(date, 2, mm) || !twoDigits(date, 4, yy) || !twoDigits(date, 6, y2))
        return false;
    year = yy * 100 + y2;
    month = mm;
    day = dd;
    return isValidLocalTime(LocalTime{year, month, day});
}

bool importCsvLogs(const std::string& storePath, const std::string& folder, ImportSummary& summary,
                   const std::function<void(const std::string&)>& malformed, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "cannot read the folder " + folder + ": " + (ec ? ec.message() : "not a folder");
        return false;
    }
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        int y = 0, m = 0, d = 0;
        if (it->is_regular_file(ec) && csvLogDate(it->path().filename().string(), y, m, d)) files.push_back(it->path());
    }
    if (ec) {
        error = "cannot read the folder " + folder + ": " + ec.message();
        return false;
    }
    std::sort(files.begin(), files.end());

    HistoryWriter writer;
    if (!writer.open(storePath, error)) return false;
    JsonWriter values;
    for (const fs::path& path : files) {
        const std::string name = path.filename().string();
        int year = 0, month = 0, day = 0;
        csvLogDate(name, year, month, day);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "cannot read " + path.string();
            return false;
        }
        ++summary.files;
        std::int64_t source = 0;
        if (!writer.begin(error) || !writer.sourceId(name, source, error)) {
            writer.rollback();
            return false;
        }
        std::string line;
        ImportSummary file;
        for (std::int64_t number = 1; std::getline(in, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || isHeader(line)) continue;
            ImportedRow row;
            const std::string why = parseRow(line, year, month, day, values, row);
            if (!why.empty()) {
                ++file.malformed;
                malformed(path.string() + ":" + std::to_string(number) + ": " + why);
                continue;
            }
            row.source = source;
            row.line = number;
            bool added = false;
            if (!writer.addImported(row, added, error)) {
                writer.rollback();
                return false;
            }
            ++(added ? file.added : file.present);
        }
        if (!writer.commit(error)) return false;
        summary.added += file.added;
        summary.present += file.present;
        summary.malformed += file.malformed;
    }
    writer.close();
    return true;
}

}  // namespace ravo
