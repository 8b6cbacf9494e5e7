#include "app/TransmittersWindow.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "app/HistoryWindow.h"
#include "app/Throttle.h"
#include "app/TransmitterTableModel.h"
#include "registry/RegistryCsv.h"
#include "registry/TransmitterRegistry.h"

namespace ravo::app {

// Asks for a refresh whenever the receiver hands on a reading or a dropped repeat.
class TransmittersWindow::Watcher : public ReadingSink {
public:
    explicit Watcher(std::function<void()> changed) : changed_(std::move(changed)) {}
    void reading(const Reading&) override { changed_(); }
    void badFrame(const BadFrameEvent&) override {}
    void repeatDropped(std::int32_t, const LocalTime&) override { changed_(); }

private:
    std::function<void()> changed_;
};

TransmittersWindow::TransmittersWindow(TransmitterRegistry& registry, Receiver& rx, QWidget* parent)
    : QWidget(parent, Qt::Window), registry_(registry), rx_(rx) {
    setObjectName("transmitters");
    setWindowTitle(QStringLiteral("Transmitters"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(1280, 560);

    model_ = new TransmitterTableModel(registry_, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(TransmitterTableModel::SortRole);
    proxy_->setFilterKeyColumn(-1);
    proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy_->setDynamicSortFilter(true);

    filter_ = new QLineEdit(this);
    filter_->setObjectName("filter");
    filter_->setPlaceholderText(QStringLiteral("Filter (address, family, ...)"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);

    auto* silenceLabel = new QLabel(QStringLiteral("Silent after (s or auto)"), this);
    silence_ = new QLineEdit(QString::fromStdString(registry_.policy().text()), this);
    silence_->setObjectName("silenceAfter");
    silence_->setPlaceholderText(QStringLiteral("off"));
    silence_->setMaximumWidth(90);
    silence_->setToolTip(
        QStringLiteral("Seconds without a reading after which a transmitter counts as silent, "
                       "\"auto\" for three times its own median interval, empty for never."));
    connect(silence_, &QLineEdit::editingFinished, this, &TransmittersWindow::silenceEdited);

    export_ = new QPushButton(QStringLiteral("Export CSV..."), this);
    export_->setObjectName("exportCsv");
    connect(export_, &QPushButton::clicked, this, &TransmittersWindow::exportClicked);

    history_ = new QPushButton(QStringLiteral("History..."), this);
    history_->setObjectName("history");
    connect(history_, &QPushButton::clicked, this, [this] { openHistory(); });
    setHistoryFile({});

    table_ = new QTableView(this);
    table_->setObjectName("table");
    table_->setModel(proxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(TransmitterTableModel::Address, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    sizeColumns();
    table_->setToolTip(
        QStringLiteral("Double-click a temperature transmitter for its temperature profile; right-click a row for its "
                       "history."));
    connect(table_, &QTableView::doubleClicked, this, &TransmittersWindow::rowActivated);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex i = table_->indexAt(at);
        if (!i.isValid()) return;
        table_->selectRow(i.row());
        rowMenu(i)->popup(table_->viewport()->mapToGlobal(at));
    });

    totals_ = new QLabel(this);
    totals_->setObjectName("totals");

    auto* top = new QHBoxLayout;
    top->addWidget(filter_, 1);
    top->addWidget(silenceLabel);
    top->addWidget(silence_);
    top->addWidget(history_);
    top->addWidget(export_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addWidget(totals_);

    throttle_ = new Throttle([this] { refresh(); }, this, 250);
    watcher_ = std::make_unique<Watcher>([this] {
        if (isVisible()) throttle_->request();
    });
    rx_.addReadingSink(watcher_.get());
    registry_.addListener([self = QPointer<TransmittersWindow>(this)](const SilenceEvent&) {
        if (self && self->isVisible()) self->throttle_->request();
    });
    refresh();
}

TransmittersWindow::~TransmittersWindow() { rx_.removeReadingSink(watcher_.get()); }

void TransmittersWindow::sizeColumns() {
    // Wide enough for the header and the widest value a column usually holds, so
    // the widths need not follow the rows.
    static const char* const kWidest[TransmitterTableModel::ColumnCount] = {"16777215",
                                                                            "legionella_signal",
                                                                            "10000000",
                                                                            "1000000",
                                                                            "2026-12-09 14:05:09",
                                                                            "2026-12-09 14:05:09",
                                                                            "86400.000",
                                                                            "15",
                                                                            "15",
                                                                            "15",
                                                                            "low",
                                                                            "255",
                                                                            "silent",
                                                                            ""};
    const QFontMetrics header(table_->horizontalHeader()->font());
    const QFontMetrics cell(table_->font());
    for (int c = 0; c < TransmitterTableModel::ColumnCount; ++c) {
        const int title = header.horizontalAdvance(model_->headerData(c, Qt::Horizontal).toString()) + 28;
        const int value = cell.horizontalAdvance(QString::fromLatin1(kWidest[c])) + 16;
        table_->setColumnWidth(c, std::max(title, value));
    }
}

void TransmittersWindow::showEvent(QShowEvent* event) {
    refresh();  // what happened while it was hidden
    QWidget::showEvent(event);
}

void TransmittersWindow::showPending() {
    throttle_->flush();
    refresh();
}

void TransmittersWindow::refresh() {
    model_->refresh();
    totals_->setText(QStringLiteral("Heard: %1    Silent: %2    Forgotten: %3")
                         .arg(registry_.size())
                         .arg(registry_.silentCount())
                         .arg(registry_.forgotten()));
}

void TransmittersWindow::silenceEdited() {
    const std::string text = silence_->text().trimmed().toStdString();
    const std::optional<SilencePolicy> policy = text.empty() ? SilencePolicy::off() : SilencePolicy::parse(text);
    if (!policy) {
        // Not a time: the box shows the one in force again.
        silence_->setText(QString::fromStdString(registry_.policy().text()));
        return;
    }
    registry_.setPolicy(*policy);
    silence_->setText(QString::fromStdString(policy->text()));
    refresh();
}

bool TransmittersWindow::exportCsv(const QString& path, QString& error) const {
    std::string why;
    if (writeSummaryFile(registry_, path.toStdString(), why)) return true;
    error = QString::fromStdString(why);
    return false;
}

void TransmittersWindow::exportClicked() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export Transmitters"), QStringLiteral("transmitters.csv"),
                                     QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    if (!exportCsv(path, error)) QMessageBox::warning(this, QStringLiteral("Error"), error);
}

void TransmittersWindow::setHistoryFile(const QString& path) {
    historyPath_ = path;
    history_->setEnabled(!path.isEmpty());
    history_->setToolTip(
        path.isEmpty() ? QStringLiteral("No history is kept: the monitor was started with --no-history, or with "
                                        "--demo or --replay and no --history FILE.")
                       : QStringLiteral("The stored readings of the selected transmitter as a chart (%1).").arg(path));
}

long long TransmittersWindow::selectedAddress() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    const QModelIndex source = proxy_->mapToSource(rows.first());
    return source.isValid() ? model_->transmitter(source.row()).address : -1;
}

void TransmittersWindow::openHistory(long long address) {
    if (historyPath_.isEmpty()) return;
    if (address < 0) address = selectedAddress();
    if (!historyWindow_) historyWindow_ = new HistoryWindow(historyPath_, this);
    historyWindow_->show();
    historyWindow_->showTransmitter(address);
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

QMenu* TransmittersWindow::rowMenu(const QModelIndex& proxyIndex) {
    if (!menu_) menu_ = new QMenu(this);
    menu_->clear();
    const QModelIndex source = proxy_->mapToSource(proxyIndex);
    const long long address = source.isValid() ? model_->transmitter(source.row()).address : -1;
    QAction* history = menu_->addAction(QStringLiteral("History"), this, [this, address] { openHistory(address); });
    history->setEnabled(!historyPath_.isEmpty() && address >= 0);
    history->setToolTip(history_->toolTip());
    return menu_;
}

void TransmittersWindow::rowActivated(const QModelIndex& proxyIndex) {
    const QModelIndex source = proxy_->mapToSource(proxyIndex);
    if (!source.isValid()) return;
    const TransmitterSummary& t = model_->transmitter(source.row());
    // Only the temperature decoder feeds the profile.
    if (t.family == "temperature" && openProfile) openProfile(t.address);
}

}  // namespace ravo::app
