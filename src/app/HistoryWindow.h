// The "History" window: one transmitter's stored readings as a line chart, read
// from the history file on a read-only connection of its own. The fields to draw
// (with their labels and units), a period (the last hour, day, week, month or
// year, or from-to), zoom with a rubber band, pan by dragging with the middle
// button (or Shift) or with the arrow keys; the line breaks where the
// transmitter was silent. Under the chart the minimum, mean and maximum of each
// field over the period. Long periods are drawn as interval means
// (history/HistoryChart.h). The chart is saved as PNG, its readings as CSV (as
// `ravo-cli history readings` writes them). While shown it looks for new
// readings once a second.
#pragma once

#include <QDateTime>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/HistoryChart.h"
#include "history/HistoryQuery.h"

class QChart;
class QChartView;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace ravo::app {

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    enum Period { LastHour, LastDay, LastWeek, LastMonth, LastYear, FromTo };

    explicit HistoryWindow(const QString& historyPath, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Reads the list of transmitters again and shows `address` (when the store
    // holds it; else the first), with its first field chosen.
    void showTransmitter(long long address);
    void setPeriod(Period period);
    // The period from `from` (inclusive) to `to` (exclusive).
    void setRange(const QDateTime& from, const QDateTime& to);
    // Chooses exactly these fields (by name) of the transmitter shown.
    void chooseFields(const QStringList& names);
    // Reads the store and draws again now.
    void reload();
    // What a tick of the refresh timer does: reloads when the transmitter has
    // new readings (or a period that ends now has moved on).
    void followNewReadings();

    bool exportPng(const QString& path, QString& error) const;
    // time and one column per chosen field, every reading of the period.
    bool exportCsv(const QString& path, QString& error);

    // The time the periods that end now end at (Unix ms); the system clock
    // unless set.
    std::function<std::int64_t()> now;

    const ChartData& data() const { return data_; }
    long long address() const;
    QStringList chosenFields() const;
    QChartView* chartView() const { return view_; }
    QChart* chart() const;
    QComboBox* transmitterBox() const { return transmitter_; }
    QListWidget* fieldList() const { return fields_; }
    QComboBox* periodBox() const { return period_; }
    QDateTimeEdit* fromEdit() const { return from_; }
    QDateTimeEdit* toEdit() const { return to_; }
    QLabel* statsLabel() const { return stats_; }
    QLabel* statusLabel() const { return status_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    class View;
    struct Span {
        std::int64_t fromMs = 0, toMs = 0;
    };
    bool openReader();
    void loadTransmitters(long long select);
    void fillFields();
    void periodChosen();
    Span span() const;
    void draw();
    QString fieldTitle(const std::string& name) const;
    void pngClicked();
    void csvClicked();

    std::string path_;
    HistoryReader reader_;
    bool open_ = false;
    std::vector<TransmitterHistory> transmitters_;
    ChartData data_;
    Span drawn_;
    bool filling_ = false;

    QComboBox* transmitter_ = nullptr;
    QListWidget* fields_ = nullptr;
    QComboBox* period_ = nullptr;
    QDateTimeEdit* from_ = nullptr;
    QDateTimeEdit* to_ = nullptr;
    QChartView* view_ = nullptr;
    bool userView_ = false;  // the user zoomed or panned: reloads keep the axes
    QLabel* stats_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* png_ = nullptr;
    QPushButton* csv_ = nullptr;
    QPushButton* reset_ = nullptr;
    QTimer* timer_ = nullptr;
};

}  // namespace ravo::app
