// The History window over a history file the store wrote: the fields with their
// labels and units, one series per unbroken run, the period's figures, a long
// period drawn as interval means, new readings followed, the PNG and CSV
// exports; and its button and row menu in the Transmitters window, disabled
// without a history file.
#include "HistoryTest.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "AppRig.h"
#include "app/HistoryWindow.h"
#include "app/TransmitterTableModel.h"
#include "app/TransmittersWindow.h"
#include "decoders/FamilyFields.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "registry/TransmitterRegistry.h"
#include "sim/Encoders.h"
#include "sim/Replay.h"

namespace ravo::test {
namespace {

const FieldDecl& field(const char* family, const char* name) { return *findFamilyFields(family)->find(name); }

// A temperature reading of 1234 at minute `m` after midnight of 2026-12-07.
Reading temperature(int m, double t1, double t2) {
    Reading r;
    r.family = "temperature";
    r.type = 0x82;
    r.address = 1234;
    r.time = LocalTime{2026, 12, 7, m / 60, m % 60, 0, 0};
    r.set(field("temperature", "temperature_1_C"), t1);
    r.set(field("temperature", "temperature_2_C"), t2);
    r.set(field("temperature", "sensor_error"), false);
    r.sLevel = m % 16;
    return r;
}

double t1At(int m) { return 21 + 2.5 * std::sin(m * 2 * M_PI / 1440) + 0.3 * std::sin(m / 17.0); }
double t2At(int m) { return 18.5 + 1.2 * std::cos(m * 2 * M_PI / 1440); }

bool inSilence(int m) { return m >= 9 * 60 && m < 12 * 60; }

QDateTime at(int day, int minute) {
    return QDateTime::fromMSecsSinceEpoch(storedTime(LocalTime{2026, 12, day, minute / 60, minute % 60, 0, 0}).utcMs);
}

// The lines drawn, as their point counts.
std::vector<qsizetype> seriesSizes(QChart* chart) {
    std::vector<qsizetype> out;
    for (QAbstractSeries* s : chart->series())
        if (auto* line = qobject_cast<QLineSeries*>(s)) out.push_back(line->count());
    return out;
}

int bands(QChart* chart) {
    int n = 0;
    for (QAbstractSeries* s : chart->series()) n += s->type() == QAbstractSeries::SeriesTypeArea;
    return n;
}

// min, mean and max of the stats line of `title`.
std::vector<double> figures(const QLabel* stats, const QString& title) {
    const QRegularExpression re(QRegularExpression::escape(title) +
                                ":  min (\\S+)   mean (\\S+)   max (\\S+)   \\((\\d+) values\\)");
    const QRegularExpressionMatch m = re.match(stats->text());
    if (!m.hasMatch()) return {};
    return {m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(4).toDouble()};
}

}  // namespace

void HistoryTest::windowDrawsTheStoredReadings() {
    QTemporaryDir dir;
    const QString path = dir.filePath("history.sqlite");
    HistorySettings settings;
    settings.path = path.toStdString();
    HistoryStore store(settings);
    std::string error;
    QVERIFY2(store.open(error), error.c_str());
    // Every 5 minutes for a day but for a silence of 3 hours; what the day should show.
    double sum = 0, lo = 1e9, hi = -1e9;
    int count = 0;
    for (int m = 0; m < 1440; m += 5) {
        if (inSilence(m)) continue;
        store.reading(temperature(m, t1At(m), t2At(m)));
        sum += t1At(m);
        lo = std::min(lo, t1At(m));
        hi = std::max(hi, t1At(m));
        ++count;
    }
    // 5,000 readings of 1300 a minute apart, from 2026-12-03.
    for (int m = 0; m < 5000; ++m) {
        Reading r;
        r.family = "humidity";
        r.address = 1300;
        r.time = LocalTime{2026, 12, 3 + m / 1440, (m % 1440) / 60, m % 60, 0, 0};
        r.set(field("humidity", "humidity_pct"), 40.0 + m % 20);
        store.reading(r);
    }
    store.sync();

    app::HistoryWindow w(path);
    w.resize(1100, 640);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.showTransmitter(1234);
    w.setRange(at(7, 0), at(8, 0));
    QCOMPARE(w.address(), 1234LL);
    QCOMPARE(w.transmitterBox()->count(), 2);

    // The numeric fields, labelled as declared, the first chosen; no flag.
    QStringList titles;
    for (int i = 0; i < w.fieldList()->count(); ++i) titles << w.fieldList()->item(i)->text();
    QCOMPARE(titles, QStringList({"Temperature 1 (°C)", "Temperature 2 (°C)", "Signal level"}));
    QCOMPARE(w.chosenFields(), QStringList({"temperature_1_C"}));

    // The silence splits the day into two runs, every reading drawn.
    QCOMPARE(w.data().everySeconds, std::int64_t(0));
    QCOMPARE(seriesSizes(w.chart()), (std::vector<qsizetype>{9 * 12, 12 * 12}));
    const std::vector<double> f = figures(w.statsLabel(), "Temperature 1 (°C)");
    QCOMPARE(f.size(), size_t(4));
    QCOMPARE(f[3], double(count));
    QVERIFY(std::fabs(f[0] - lo) < 1e-4 && std::fabs(f[2] - hi) < 1e-4);
    QVERIFY(std::fabs(f[1] - sum / count) < 1e-4);

    // Two fields: two runs each, each field one legend entry.
    w.chooseFields({"temperature_1_C", "temperature_2_C"});
    QCOMPARE(seriesSizes(w.chart()).size(), size_t(4));
    QCOMPARE(bands(w.chart()), 0);
    QCoreApplication::processEvents();  // the legend lays its markers out
    int shown = 0;
    for (QLegendMarker* m : w.chart()->legend()->markers()) shown += m->isVisible();
    QCOMPARE(shown, 2);
    QVERIFY(!figures(w.statsLabel(), "Temperature 2 (°C)").empty());
    QCOMPARE(w.chart()->axes(Qt::Vertical).size(), qsizetype(1));  // one unit, one axis
    if (const QByteArray picture = qgetenv("RAVO_HISTORY_PICTURE"); !picture.isEmpty())
        QVERIFY(w.grab().save(QString::fromLocal8Bit(picture), "PNG"));

    // The signal level beside a temperature: an axis of its own on the right.
    w.chooseFields({"temperature_1_C", "s_level"});
    const QList<QAbstractAxis*> values = w.chart()->axes(Qt::Vertical);
    QCOMPARE(values.size(), qsizetype(2));
    QCOMPARE(values[0]->alignment(), Qt::AlignLeft);
    QCOMPARE(values[0]->titleText(), QString("°C"));
    QCOMPARE(values[1]->alignment(), Qt::AlignRight);
    QCOMPARE(values[1]->titleText(), QString("Signal level"));
    const std::vector<double> level = figures(w.statsLabel(), "Signal level");
    QCOMPARE(level.size(), size_t(4));
    QCOMPARE(level[0], 0.0);
    QCOMPARE(level[2], 15.0);
    QCOMPARE(level[3], double(count));
    w.chooseFields({"temperature_1_C", "temperature_2_C"});

    // A transmitter first heard while the window is open is in the list when it is opened.
    Reading other = temperature(600, 20.0, 20.0);
    other.address = 1400;
    store.reading(other);
    store.sync();
    QCOMPARE(w.transmitterBox()->count(), 2);
    w.transmitterBox()->showPopup();
    w.transmitterBox()->hidePopup();
    QCOMPARE(w.transmitterBox()->count(), 3);
    QCOMPARE(w.address(), 1234LL);

    // A new reading in the period is drawn within a tick; one outside is not.
    store.reading(temperature(1440 - 3, 30.0, 18.0));
    store.sync();
    w.followNewReadings();
    QCOMPARE(w.data().readings, std::uint64_t(count + 1));
    QCOMPARE(seriesSizes(w.chart()).back(), qsizetype(12 * 12 + 1));
    QVERIFY(figures(w.statsLabel(), "Temperature 1 (°C)")[2] == 30.0);

    // The exports: the chart as PNG, every reading of the period as CSV.
    QString why;
    const QString png = dir.filePath("chart.png"), csv = dir.filePath("chart.csv");
    QVERIFY2(w.exportPng(png, why), qPrintable(why));
    QCOMPARE(QImage(png).size(), w.chartView()->size() * w.chartView()->devicePixelRatio());
    QVERIFY2(w.exportCsv(csv, why), qPrintable(why));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), qsizetype(count + 2));
    QCOMPARE(lines[0], QString("time,temperature_1_C,temperature_2_C"));
    const QStringList first = lines[1].split(','), last = lines.last().split(',');
    QCOMPARE(first[0], QString::fromStdString(isoTimeOf(storedTime(LocalTime{2026, 12, 7, 0, 0, 0, 0}))));
    QCOMPARE(first[1].toDouble(), t1At(0));
    QCOMPARE(first[2].toDouble(), t2At(0));
    QCOMPARE(last.mid(1), QStringList({"30.0", "18.0"}));
    QVERIFY(!w.exportPng(dir.filePath("no/such/folder/x.png"), why));

    // Panned with the keys, the chart stays where the user put it while readings
    // come in; Home shows the whole period again.
    const auto start = [&w] { return qobject_cast<QDateTimeAxis*>(w.chart()->axes(Qt::Horizontal).value(0))->min(); };
    QCOMPARE(start(), at(7, 0));
    QTest::keyClick(w.chartView(), Qt::Key_Right);
    const QDateTime panned = start();
    QVERIFY(panned > at(7, 0));
    store.reading(temperature(1440 - 1, 25.0, 18.0));
    store.sync();
    w.followNewReadings();
    QCOMPARE(w.data().readings, std::uint64_t(count + 2));
    QCOMPARE(start(), panned);
    QTest::keyClick(w.chartView(), Qt::Key_Home);
    QCOMPARE(start(), at(7, 0));

    // 5,000 readings over a week: drawn as interval means, at most 2,000 points,
    // the period's figures still those of every reading.
    w.now = [] { return at(7, 0).toMSecsSinceEpoch(); };
    w.showTransmitter(1300);
    w.setPeriod(app::HistoryWindow::LastWeek);
    QCOMPARE(w.data().readings, std::uint64_t(5000));
    QCOMPARE(w.data().everySeconds, std::int64_t(600));
    qsizetype points = 0;
    for (qsizetype n : seriesSizes(w.chart())) points += n;
    QVERIFY(points <= 2000 && points >= 450);
    QCOMPARE(bands(w.chart()), int(seriesSizes(w.chart()).size()));
    const std::vector<double> h = figures(w.statsLabel(), "Humidity (%)");
    QCOMPARE(h, (std::vector<double>{40, 49.5, 59, 5000}));
    store.close();
}

void HistoryTest::transmittersWindowOpensIt() {
    AppRig rig({});
    TransmitterRegistry registry(100, SilencePolicy::automatic());
    rig.rx.addReadingSink(&registry);
    rig.window.attachRegistry(registry);
    app::TransmittersWindow* w = rig.window.transmittersWindow();
    w->show();

    // Without a history file the button says why it does nothing.
    QPushButton* button = w->historyButton();
    QVERIFY(!button->isEnabled());
    QVERIFY(button->toolTip().contains("--no-history"));

    // The receiver stores what it decodes; the window reads the file.
    const QString path = rig.dir.filePath("history.sqlite");
    HistorySettings settings;
    settings.path = path.toStdString();
    HistoryStore store(settings);
    std::string error;
    QVERIFY2(store.open(error), error.c_str());
    rig.rx.addReadingSink(&store);
    rig.rx.receive(sim::binaryFrame(sim::makeBody(0x82, 1234, 0x03, {0x00, 43, 0x00, 0x90})));
    rig.rx.receive(sim::binaryFrame(sim::makeBody(0x81, 4660, 0x03, {0x00, 0x30, 0x39, 0x7A})));
    drainReceiveBuffer(rig.rx, rig.clock.now());
    store.sync();
    w->setHistoryFile(path);
    w->showPending();
    QVERIFY(button->isEnabled());

    // The button opens the selected row's transmitter, the row menu another's.
    const auto rowOf = [&](int address) {
        for (int r = 0; r < w->proxy().rowCount(); ++r)
            if (w->proxy().index(r, app::TransmitterTableModel::Address).data().toInt() == address)
                return w->proxy().index(r, 0);
        return QModelIndex();
    };
    w->table()->selectRow(rowOf(4660).row());
    QTest::mouseClick(button, Qt::LeftButton);
    app::HistoryWindow* h = w->historyWindow();
    QVERIFY(h && h->isVisible());
    QCOMPARE(h->address(), 4660LL);
    QMenu* menu = w->rowMenu(rowOf(1234));
    QCOMPARE(menu->actions().size(), qsizetype(1));
    QCOMPARE(menu->actions()[0]->text(), QString("History"));
    menu->actions()[0]->trigger();
    QCOMPARE(h->address(), 1234LL);
    QCOMPARE(h->chosenFields(), QStringList({"temperature_1_C"}));
    rig.rx.removeReadingSink(&store);
    store.close();
}

}  // namespace ravo::test
