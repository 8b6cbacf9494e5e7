// The transmitter registry as a table: one row per transmitter in address order,
// refreshed from the registry on request (the window asks a few times a second at
// most). Rows are inserted and removed as transmitters come and are forgotten, so
// a sorting proxy and the selection stay put across refreshes.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "registry/TransmitterRegistry.h"

namespace ravo::app {

class TransmitterTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Address,
        Family,
        Readings,
        Repeats,
        FirstHeard,
        LastHeard,
        MedianInterval,
        SLevel,
        SLevelMin,
        SLevelMax,
        BatteryLow,
        Firmware,
        Silent,
        LastLine,
        ColumnCount
    };
    // The value a column sorts by (numbers as numbers, times as their count).
    static constexpr int SortRole = Qt::UserRole;

    explicit TransmitterTableModel(const TransmitterRegistry& registry, QObject* parent = nullptr);

    // Takes in what changed in the registry since the last refresh.
    void refresh();
    const TransmitterSummary& transmitter(int row) const { return rows_[static_cast<size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QVariant display(const TransmitterSummary& t, int column) const;
    QVariant sortValue(const TransmitterSummary& t, int column) const;

    const TransmitterRegistry& registry_;
    std::vector<TransmitterSummary> rows_;  // ordered by address
    std::uint64_t seen_ = ~std::uint64_t{0};
};

}  // namespace ravo::app
