// The transmitter table and its window: rows in and out as the registry changes
// with the selection kept, silent rows marked, sorting and filtering, the button
// in a free spot, the profile opened from a temperature row, the silence box and
// the CSV export.
#include "TransmittersTest.h"

#include <QFile>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>

#include "AppRig.h"
#include "app/TempProfileWindow.h"
#include "app/TransmitterTableModel.h"
#include "app/TransmittersWindow.h"
#include "registry/RegistryCsv.h"
#include "sim/Encoders.h"
#include "sim/Replay.h"

namespace ravo::test {
namespace {

using Model = app::TransmitterTableModel;

Reading heard(std::int32_t address, const char* family, int second) {
    Reading r;
    r.address = address;
    r.family = family;
    r.time = LocalTime{2026, 12, 9, 14, second / 60, second % 60, 0};
    return r;
}

QStringList column(const QAbstractItemModel& m, int c) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, c).data().toString();
    return out;
}

}  // namespace

void TransmittersTest::tableFollowsTheRegistry() {
    TransmitterRegistry registry(3, SilencePolicy::fixed(30));
    Model model(registry);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setSortRole(Model::SortRole);
    proxy.setFilterKeyColumn(-1);

    for (auto [address, second] : {std::pair{300, 0}, {100, 10}, {200, 20}, {200, 25}, {200, 35}})
        registry.reading(heard(address, address == 100 ? "alarm" : "temperature", second));
    model.refresh();
    QCOMPARE(column(model, Model::Address), QStringList({"100", "200", "300"}));
    const QPersistentModelIndex kept = model.index(1, 0);

    // 300 was heard longest ago: the fourth address pushes it out; 200 stays where it is.
    registry.reading(heard(250, "temperature", 36));
    model.refresh();
    QCOMPARE(column(model, Model::Address), QStringList({"100", "200", "250"}));
    QVERIFY(kept.isValid());
    QCOMPARE(kept.data().toString(), QString("200"));

    registry.check(LocalTime{2026, 12, 9, 14, 0, 45, 0});  // 100 quiet for 35 s
    model.refresh();
    QCOMPARE(column(model, Model::Silent), QStringList({"silent", "", ""}));
    QVERIFY(model.index(0, Model::Family).data(Qt::ForegroundRole).isValid());
    QVERIFY(!model.index(1, Model::Family).data(Qt::ForegroundRole).isValid());
    QCOMPARE(model.index(1, Model::MedianInterval).data().toString(), QString("7.5"));

    // Sorted by readings as numbers (3 before 1), and filtered by any column.
    proxy.sort(Model::Readings, Qt::DescendingOrder);
    QCOMPARE(column(proxy, Model::Address), QStringList({"200", "100", "250"}));
    proxy.setFilterFixedString("alarm");
    QCOMPARE(column(proxy, Model::Address), QStringList({"100"}));
}

void TransmittersTest::windowOpensTheProfileAndExports() {
    AppRig rig({});
    TransmitterRegistry registry(100, SilencePolicy::automatic());
    rig.rx.addReadingSink(&registry);
    rig.window.attachRegistry(registry);

    // The button lies where no other control of the window does.
    auto* button = rig.find<QPushButton>("cmdtransmitters");
    QVERIFY(button);
    QCOMPARE(button->text(), QString("Transmitters"));
    for (QWidget* w : button->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (w != button && w->isVisible())
            QVERIFY2(!w->geometry().intersects(button->geometry()), qPrintable(w->objectName()));

    rig.rx.receive(sim::binaryFrame(sim::makeBody(0x82, 1234, 0x03, {0x00, 43, 0x00, 0x90})));
    rig.rx.receive(sim::binaryFrame(sim::makeBody(0x81, 4660, 0x03, {0x00, 0x30, 0x39, 0x7A})));
    drainReceiveBuffer(rig.rx, rig.clock.now());

    QTest::mouseClick(button, Qt::LeftButton);
    app::TransmittersWindow* w = rig.window.transmittersWindow();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Transmitters"));
    w->showPending();
    QCOMPARE(w->totals()->text(), QString("Heard: 2    Silent: 0    Forgotten: 0"));
    QCOMPARE(w->silenceBox()->text(), QString("auto"));

    // A double-click on the pulse counter's row does nothing; on the temperature
    // transmitter's row it opens the profile as its address cell would.
    QTableView* table = w->table();
    auto doubleClickRow = [&](int address) {
        for (int r = 0; r < w->proxy().rowCount(); ++r) {
            const QModelIndex i = w->proxy().index(r, Model::Family);
            if (w->proxy().index(r, Model::Address).data().toInt() != address) continue;
            const QRect cell = table->visualRect(i);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        }
    };
    doubleClickRow(4660);
    QVERIFY(!rig.window.profileWindow().isVisible());
    doubleClickRow(1234);
    QVERIFY(rig.window.profileWindow().isVisible());
    QCOMPARE(rig.rx.state().profileAddress, std::int64_t(1234));
    QCOMPARE(rig.rx.screen().text(Field::txt_temptx), std::string("1234"));

    // The silence box takes seconds or auto, and keeps the time in force otherwise.
    typeInto(w->silenceBox(), "90");
    QTest::keyClick(w->silenceBox(), Qt::Key_Return);
    QCOMPARE(registry.policy(), SilencePolicy::fixed(90));
    typeInto(w->silenceBox(), "soon");
    QTest::keyClick(w->silenceBox(), Qt::Key_Return);
    QCOMPARE(w->silenceBox()->text(), QString("90"));

    QString error;
    const QString path = rig.dir.filePath("transmitters.csv");
    QVERIFY(w->exportCsv(path, error));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().toStdString(), summaryCsv(registry));
    QVERIFY(summaryCsv(registry).find("\n1234,temperature,1,0,") != std::string::npos);
    rig.rx.removeReadingSink(&registry);
}

}  // namespace ravo::test
