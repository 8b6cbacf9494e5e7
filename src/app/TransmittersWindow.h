// The "Transmitters" window: every transmitter heard, in a sortable and
// filterable table, silent ones marked, with the totals, the silence time and an
// export of the table as CSV. Not modal; it follows the registry a few times a
// second at most, and only while it is shown.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "core/Receiver.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace ravo {
class TransmitterRegistry;
}

namespace ravo::app {

class HistoryWindow;
class Throttle;
class TransmitterTableModel;

class TransmittersWindow : public QWidget {
    Q_OBJECT
public:
    // `registry` must be fed by the receiver already; the window only watches it.
    TransmittersWindow(TransmitterRegistry& registry, Receiver& rx, QWidget* parent = nullptr);
    ~TransmittersWindow() override;

    TransmitterTableModel& model() const { return *model_; }
    QSortFilterProxyModel& proxy() const { return *proxy_; }
    QTableView* table() const { return table_; }
    QLineEdit* silenceBox() const { return silence_; }
    QLineEdit* filterBox() const { return filter_; }
    QLabel* totals() const { return totals_; }

    // Brings the table and the totals up to date now.
    void showPending();
    // Writes the table (the same CSV as ravo-cli decode --summary) to `path`.
    bool exportCsv(const QString& path, QString& error) const;

    // A double-click on the row of a temperature transmitter asks for its profile.
    std::function<void(long long address)> openProfile;

    // The history file the History window reads; empty: none is kept, and the
    // History button says so.
    void setHistoryFile(const QString& path);
    QPushButton* historyButton() const { return history_; }
    // Opens the History window on `address` (-1: the selected row's, else the first).
    void openHistory(long long address = -1);
    HistoryWindow* historyWindow() const { return historyWindow_; }
    // The context menu of the row at `proxyIndex` ("History").
    QMenu* rowMenu(const QModelIndex& proxyIndex);

protected:
    void showEvent(QShowEvent* event) override;

private:
    class Watcher;
    void refresh();
    void sizeColumns();
    void silenceEdited();
    void exportClicked();
    void rowActivated(const QModelIndex& proxyIndex);
    long long selectedAddress() const;

    TransmitterRegistry& registry_;
    Receiver& rx_;
    std::unique_ptr<Watcher> watcher_;
    TransmitterTableModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* table_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLineEdit* silence_ = nullptr;
    QLabel* totals_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* history_ = nullptr;
    QString historyPath_;
    HistoryWindow* historyWindow_ = nullptr;
    QMenu* menu_ = nullptr;
    Throttle* throttle_ = nullptr;
};

}  // namespace ravo::app
