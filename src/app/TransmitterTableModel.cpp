#include "app/TransmitterTableModel.h"

#include <QColor>
#include <unordered_set>

#include "common/Latin1.h"
#include "registry/RegistryCsv.h"

namespace ravo::app {
namespace {

QVariant optionalNumber(const std::optional<double>& v) {
    return v ? QVariant(QString::fromStdString(shortNumber(*v))) : QVariant();
}

}  // namespace

TransmitterTableModel::TransmitterTableModel(const TransmitterRegistry& registry, QObject* parent)
    : QAbstractTableModel(parent), registry_(registry) {
    refresh();
}

void TransmitterTableModel::refresh() {
    if (registry_.generation() == seen_) return;
    seen_ = registry_.generation();
    std::vector<TransmitterSummary> next = registry_.snapshot();

    // Forgotten transmitters leave (runs of rows, from the end so the indexes hold) ...
    std::unordered_set<std::int32_t> present;
    present.reserve(next.size());
    for (const TransmitterSummary& t : next) present.insert(t.address);
    for (size_t i = rows_.size(); i > 0;) {
        if (present.count(rows_[i - 1].address)) {
            --i;
            continue;
        }
        size_t first = i - 1;
        while (first > 0 && !present.count(rows_[first - 1].address)) --first;
        beginRemoveRows({}, static_cast<int>(first), static_cast<int>(i - 1));
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first), rows_.begin() + static_cast<std::ptrdiff_t>(i));
        endRemoveRows();
        i = first;
    }
    // ... new ones come in at their places, and every row takes the new values.
    for (size_t i = 0; i < next.size();) {
        if (i < rows_.size() && rows_[i].address == next[i].address) {
            rows_[i] = std::move(next[i]);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < next.size() && (i >= rows_.size() || next[end].address != rows_[i].address)) ++end;
        beginInsertRows({}, static_cast<int>(i), static_cast<int>(end - 1));
        rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(i),
                     std::make_move_iterator(next.begin() + static_cast<std::ptrdiff_t>(i)),
                     std::make_move_iterator(next.begin() + static_cast<std::ptrdiff_t>(end)));
        endInsertRows();
        i = end;
    }
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int TransmitterTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TransmitterTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TransmitterTableModel::display(const TransmitterSummary& t, int column) const {
    switch (column) {
        case Address: return t.address;
        case Family: return QString::fromStdString(t.family);
        case Readings: return QString::number(t.readings);
        case Repeats: return QString::number(t.repeats);
        case FirstHeard: return QString::fromStdString(civilTime(t.firstHeard));
        case LastHeard: return QString::fromStdString(civilTime(t.lastHeard));
        case MedianInterval: return optionalNumber(t.medianIntervalS);
        case SLevel: return optionalNumber(t.sLevel);
        case SLevelMin: return optionalNumber(t.sLevelMin);
        case SLevelMax: return optionalNumber(t.sLevelMax);
        case BatteryLow:
            return t.batteryLow ? QVariant(*t.batteryLow ? QStringLiteral("low") : QStringLiteral("ok")) : QVariant();
        case Firmware: return t.firmware ? QVariant(*t.firmware) : QVariant();
        case Silent: return t.silent ? QStringLiteral("silent") : QString();
        case LastLine: return t.line ? QString::fromStdString(latin1ToUtf8(*t.line)).trimmed() : QString();
    }
    return {};
}

QVariant TransmitterTableModel::sortValue(const TransmitterSummary& t, int column) const {
    switch (column) {
        case Readings: return static_cast<qulonglong>(t.readings);
        case Repeats: return static_cast<qulonglong>(t.repeats);
        case FirstHeard: return static_cast<qlonglong>(wallMillis(t.firstHeard));
        case LastHeard: return static_cast<qlonglong>(wallMillis(t.lastHeard));
        case MedianInterval: return t.medianIntervalS ? QVariant(*t.medianIntervalS) : QVariant(-1.0);
        case SLevel: return t.sLevel ? QVariant(*t.sLevel) : QVariant(-1.0);
        case SLevelMin: return t.sLevelMin ? QVariant(*t.sLevelMin) : QVariant(-1.0);
        case SLevelMax: return t.sLevelMax ? QVariant(*t.sLevelMax) : QVariant(-1.0);
        case Silent: return t.silent ? 1 : 0;
        default: return display(t, column);
    }
}

QVariant TransmitterTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TransmitterSummary& t = transmitter(index.row());
    switch (role) {
        case Qt::DisplayRole: return display(t, index.column());
        case SortRole: return sortValue(t, index.column());
        case Qt::ForegroundRole: return t.silent ? QVariant(QColor(0xB0, 0x00, 0x00)) : QVariant();
        case Qt::TextAlignmentRole:
            return index.column() == Family || index.column() == LastLine || index.column() == Silent
                       ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                       : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        default: return {};
    }
}

QVariant TransmitterTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kHeaders[ColumnCount] = {
        "Address", "Family", "Readings", "Repeats", "First heard", "Last heard", "Median interval (s)",
        "S level", "S min",  "S max",    "Battery", "Firmware",    "Silent",     "Last line"};
    return section >= 0 && section < ColumnCount ? QVariant(QString::fromLatin1(kHeaders[section])) : QVariant();
}

}  // namespace ravo::app
