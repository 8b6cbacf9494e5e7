#include "app/HistoryWindow.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>

#include "decoders/FamilyFields.h"
#include "history/HistoryReport.h"

namespace ravo::app {
namespace {

constexpr std::int64_t kHourMs = 3600 * 1000;
constexpr std::int64_t kDayMs = 24 * kHourMs;

std::int64_t periodMs(int period) {
    switch (period) {
        case HistoryWindow::LastHour: return kHourMs;
        case HistoryWindow::LastDay: return kDayMs;
        case HistoryWindow::LastWeek: return 7 * kDayMs;
        case HistoryWindow::LastMonth: return 30 * kDayMs;
        default: return 365 * kDayMs;
    }
}

// The declaration of a stored field: in the transmitter's family, else in any.
const FieldDecl* declOf(const std::string& family, const std::string& name) {
    if (const FamilyFields* f = findFamilyFields(family))
        if (const FieldDecl* d = f->find(name)) return d;
    for (const FamilyFields& f : familyFields())
        if (const FieldDecl* d = f.find(name)) return d;
    return nullptr;
}

QString number(double v) { return QString::number(v, 'g', 6); }

QString stepText(std::int64_t seconds) {
    if (seconds % 86400 == 0) return QStringLiteral("%1 d").arg(seconds / 86400);
    if (seconds % 3600 == 0) return QStringLiteral("%1 h").arg(seconds / 3600);
    if (seconds % 60 == 0) return QStringLiteral("%1 min").arg(seconds / 60);
    return QStringLiteral("%1 s").arg(seconds);
}

// The transmitter list, read again each time it is opened: a transmitter first
// heard while the window is open is there to pick.
class TransmitterBox : public QComboBox {
public:
    TransmitterBox(QWidget* parent, std::function<void()> opening) : QComboBox(parent), opening_(std::move(opening)) {}
    void showPopup() override {
        opening_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> opening_;
};

// The unit of a chosen field ("" when it has none), which picks its axis.
QString unitOf(const FieldDecl* d) {
    return d ? QString::fromUtf8(d->unit.data(), static_cast<qsizetype>(d->unit.size())) : QString();
}

}  // namespace

// The chart view: a rubber band zooms in (a right click zooms out); dragging
// with the middle button, or with Shift held, pans; the arrow keys pan, + and -
// zoom, Home shows the whole period again.
class HistoryWindow::View : public QChartView {
public:
    View(QChart* chart, QWidget* parent, std::function<void(bool)> viewed)
        : QChartView(chart, parent), viewed_(std::move(viewed)) {
        setRubberBand(QChartView::RectangleRubberBand);
        setRenderHint(QPainter::Antialiasing);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const QRectF area = chart()->plotArea();
        switch (e->key()) {
            case Qt::Key_Left: chart()->scroll(-area.width() / 10, 0); break;
            case Qt::Key_Right: chart()->scroll(area.width() / 10, 0); break;
            case Qt::Key_Up: chart()->scroll(0, area.height() / 10); break;
            case Qt::Key_Down: chart()->scroll(0, -area.height() / 10); break;
            case Qt::Key_Plus:
            case Qt::Key_Equal: chart()->zoomIn(); break;
            case Qt::Key_Minus: chart()->zoomOut(); break;
            case Qt::Key_Home: viewed_(false); return;
            default: QChartView::keyPressEvent(e); return;
        }
        viewed_(true);
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && e->modifiers() & Qt::ShiftModifier)) {
            panning_ = true;
            last_ = e->position();
            e->accept();
            return;
        }
        before_ = shown();
        QChartView::mousePressEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (panning_) {
            const QPointF d = e->position() - last_;
            last_ = e->position();
            chart()->scroll(-d.x(), d.y());
            e->accept();
            return;
        }
        QChartView::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (panning_) {
            panning_ = false;
            viewed_(true);
            e->accept();
            return;
        }
        QChartView::mouseReleaseEvent(e);
        // A click that zoomed nothing leaves the chart following the period.
        if (shown() != before_) viewed_(true);
    }

private:
    // The part of the plot shown, in the values of the axes.
    QRectF shown() const {
        const QRectF area = chart()->plotArea();
        return QRectF(chart()->mapToValue(area.topLeft()), chart()->mapToValue(area.bottomRight()));
    }

    std::function<void(bool)> viewed_;
    bool panning_ = false;
    QPointF last_;
    QRectF before_;
};

HistoryWindow::HistoryWindow(const QString& historyPath, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(historyPath.toStdString()) {
    setObjectName("history");
    setWindowTitle(QStringLiteral("History"));
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(1100, 640);
    now = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };

    transmitter_ = new TransmitterBox(this, [this] { loadTransmitters(address()); });
    transmitter_->setObjectName("transmitter");
    transmitter_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(transmitter_, &QComboBox::currentIndexChanged, this, [this] {
        if (filling_) return;
        fillFields();
        userView_ = false;
        reload();
    });

    period_ = new QComboBox(this);
    period_->setObjectName("period");
    period_->addItems({QStringLiteral("Last hour"), QStringLiteral("Last day"), QStringLiteral("Last week"),
                       QStringLiteral("Last month"), QStringLiteral("Last year"), QStringLiteral("From - to")});
    period_->setCurrentIndex(LastDay);
    connect(period_, &QComboBox::currentIndexChanged, this, &HistoryWindow::periodChosen);

    auto makeEdit = [this](const char* name) {
        auto* e = new QDateTimeEdit(this);
        e->setObjectName(name);
        e->setCalendarPopup(true);
        e->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        e->setEnabled(false);
        connect(e, &QDateTimeEdit::dateTimeChanged, this, [this] {
            if (filling_ || period_->currentIndex() != FromTo) return;
            userView_ = false;
            reload();
        });
        return e;
    };
    from_ = makeEdit("from");
    to_ = makeEdit("to");

    png_ = new QPushButton(QStringLiteral("Save PNG..."), this);
    png_->setObjectName("exportPng");
    connect(png_, &QPushButton::clicked, this, &HistoryWindow::pngClicked);
    csv_ = new QPushButton(QStringLiteral("Export CSV..."), this);
    csv_->setObjectName("exportCsv");
    connect(csv_, &QPushButton::clicked, this, &HistoryWindow::csvClicked);
    reset_ = new QPushButton(QStringLiteral("Whole period"), this);
    reset_->setObjectName("resetZoom");
    reset_->setToolTip(QStringLiteral("Undo zooming and panning (Home)."));
    connect(reset_, &QPushButton::clicked, this, [this] {
        userView_ = false;
        draw();
    });

    fields_ = new QListWidget(this);
    fields_->setObjectName("fields");
    fields_->setMaximumWidth(220);
    connect(fields_, &QListWidget::itemChanged, this, [this] {
        if (!filling_) reload();
    });

    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    view_ = new View(chart, this, [this](bool viewed) {
        userView_ = viewed;
        if (!viewed) draw();
    });
    view_->setObjectName("chart");
    view_->setToolTip(
        QStringLiteral("Drag a rectangle to zoom in, right-click to zoom out; drag with the middle button or "
                       "with Shift to pan, or use the arrow keys; Home shows the whole period."));

    stats_ = new QLabel(this);
    stats_->setObjectName("stats");
    stats_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Transmitter"), this));
    top->addWidget(transmitter_);
    top->addWidget(new QLabel(QStringLiteral("Period"), this));
    top->addWidget(period_);
    top->addWidget(from_);
    top->addWidget(new QLabel(QStringLiteral("to"), this));
    top->addWidget(to_);
    top->addStretch(1);
    top->addWidget(reset_);
    top->addWidget(png_);
    top->addWidget(csv_);
    auto* middle = new QHBoxLayout;
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Fields"), this));
    side->addWidget(fields_, 1);
    middle->addLayout(side);
    middle->addWidget(view_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(stats_);
    layout->addWidget(status_);

    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &HistoryWindow::followNewReadings);
}

HistoryWindow::~HistoryWindow() = default;

QChart* HistoryWindow::chart() const { return view_->chart(); }

long long HistoryWindow::address() const {
    return transmitter_->currentIndex() < 0 ? -1 : transmitter_->currentData().toLongLong();
}

QStringList HistoryWindow::chosenFields() const {
    QStringList out;
    for (int i = 0; i < fields_->count(); ++i)
        if (fields_->item(i)->checkState() == Qt::Checked) out << fields_->item(i)->data(Qt::UserRole).toString();
    return out;
}

bool HistoryWindow::openReader() {
    if (open_) return true;
    std::string error;
    open_ = reader_.open(path_, error);
    if (!open_) status_->setText(QString::fromStdString(error));
    return open_;
}

void HistoryWindow::showTransmitter(long long address) {
    if (!openReader()) return;
    loadTransmitters(address);
    fillFields();
    userView_ = false;
    reload();
}

void HistoryWindow::loadTransmitters(long long select) {
    std::string error;
    if (!reader_.transmitters(transmitters_, error)) {
        status_->setText(QString::fromStdString(error));
        return;
    }
    filling_ = true;
    transmitter_->clear();
    for (const TransmitterHistory& t : transmitters_)
        transmitter_->addItem(QStringLiteral("%1  %2  (%3 readings)")
                                  .arg(t.address)
                                  .arg(QString::fromStdString(t.family))
                                  .arg(static_cast<qulonglong>(t.readings)),
                              static_cast<qlonglong>(t.address));
    const int at = transmitter_->findData(static_cast<qlonglong>(select));
    transmitter_->setCurrentIndex(at >= 0 ? at : (transmitter_->count() ? 0 : -1));
    filling_ = false;
    if (transmitters_.empty()) status_->setText(QStringLiteral("The history file holds no readings yet."));
}

QString HistoryWindow::fieldTitle(const std::string& name) const {
    if (name == kSLevelField.name)
        return QString::fromUtf8(kSLevelField.label.data(), static_cast<qsizetype>(kSLevelField.label.size()));
    const int i = transmitter_->currentIndex();
    const std::string family = i >= 0 && i < static_cast<int>(transmitters_.size()) ? transmitters_[i].family : "";
    const FieldDecl* d = declOf(family, name);
    if (!d) return QString::fromStdString(name);
    QString title = QString::fromUtf8(d->label.data(), static_cast<qsizetype>(d->label.size()));
    if (!d->unit.empty())
        title += " (" + QString::fromUtf8(d->unit.data(), static_cast<qsizetype>(d->unit.size())) + ")";
    return title;
}

void HistoryWindow::fillFields() {
    filling_ = true;
    fields_->clear();
    std::vector<std::string> names;
    std::string error;
    ReadingSpan whole;
    whole.address = static_cast<std::int32_t>(address());
    if (address() >= 0 && !reader_.fieldNames(whole, names, error)) status_->setText(QString::fromStdString(error));
    const int i = transmitter_->currentIndex();
    const std::string family = i >= 0 && i < static_cast<int>(transmitters_.size()) ? transmitters_[i].family : "";
    for (const std::string& name : names) {
        // Numbers and counters can be drawn; flags and texts cannot.
        const FieldDecl* d = declOf(family, name);
        if (d && d->kind != FieldKind::Number && d->kind != FieldKind::Counter) continue;
        auto* item = new QListWidgetItem(fieldTitle(name), fields_);
        item->setData(Qt::UserRole, QString::fromStdString(name));
        item->setToolTip(QString::fromStdString(name));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(fields_->count() == 1 ? Qt::Checked : Qt::Unchecked);
    }
    // The S level, which any reading may carry.
    if (address() >= 0) {
        auto* item = new QListWidgetItem(fieldTitle(std::string(kSLevelField.name)), fields_);
        item->setData(Qt::UserRole,
                      QString::fromUtf8(kSLevelField.name.data(), static_cast<qsizetype>(kSLevelField.name.size())));
        item->setToolTip(QStringLiteral("The receiver's signal level of each reading"));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(fields_->count() == 1 ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
}

void HistoryWindow::chooseFields(const QStringList& names) {
    filling_ = true;
    for (int i = 0; i < fields_->count(); ++i) {
        QListWidgetItem* item = fields_->item(i);
        item->setCheckState(names.contains(item->data(Qt::UserRole).toString()) ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
    reload();
}

void HistoryWindow::setPeriod(Period period) {
    if (period_->currentIndex() == period) periodChosen();
    else period_->setCurrentIndex(period);
}

void HistoryWindow::setRange(const QDateTime& from, const QDateTime& to) {
    filling_ = true;
    period_->setCurrentIndex(FromTo);
    from_->setDateTime(from);
    to_->setDateTime(to);
    filling_ = false;
    periodChosen();
}

void HistoryWindow::periodChosen() {
    const bool custom = period_->currentIndex() == FromTo;
    from_->setEnabled(custom);
    to_->setEnabled(custom);
    if (!custom) {
        // The edits show the period, ready to be changed.
        const Span s = span();
        const bool was = filling_;
        filling_ = true;
        from_->setDateTime(QDateTime::fromMSecsSinceEpoch(s.fromMs));
        to_->setDateTime(QDateTime::fromMSecsSinceEpoch(s.toMs));
        filling_ = was;
    }
    userView_ = false;
    if (!filling_) reload();
}

HistoryWindow::Span HistoryWindow::span() const {
    if (period_->currentIndex() == FromTo)
        return {from_->dateTime().toMSecsSinceEpoch(), to_->dateTime().toMSecsSinceEpoch()};
    const std::int64_t end = now();
    return {end - periodMs(period_->currentIndex()), end};
}

void HistoryWindow::reload() {
    if (!openReader() || address() < 0) return;
    const Span s = span();
    if (s.toMs <= s.fromMs) {
        status_->setText(QStringLiteral("The period ends before it starts."));
        return;
    }
    std::vector<std::string> names;
    for (const QString& n : chosenFields()) names.push_back(n.toStdString());
    ReadingSpan q;
    q.address = static_cast<std::int32_t>(address());
    q.fromMs = s.fromMs;
    q.toMs = s.toMs;
    // A period that ends now also takes what was stored a little ahead of this clock.
    if (period_->currentIndex() != FromTo) q.toMs = s.toMs + 60 * 1000;
    std::string error;
    ChartData loaded;
    if (!loadChart(reader_, q, names, ChartLimits{}, loaded, error)) {
        status_->setText(QString::fromStdString(error));
        return;
    }
    data_ = std::move(loaded);
    drawn_ = s;
    draw();
}

void HistoryWindow::draw() {
    QChart* c = view_->chart();
    // Kept as the user left them while zoomed or panned.
    std::optional<std::pair<QDateTime, QDateTime>> xKept;
    std::vector<std::pair<qreal, qreal>> yKept;  // per value axis
    if (userView_) {
        for (QAbstractAxis* a : c->axes(Qt::Horizontal))
            if (auto* t = qobject_cast<QDateTimeAxis*>(a)) xKept = std::pair{t->min(), t->max()};
        for (QAbstractAxis* a : c->axes(Qt::Vertical))
            if (auto* v = qobject_cast<QValueAxis*>(a)) yKept.emplace_back(v->min(), v->max());
    }
    c->removeAllSeries();
    for (QAbstractAxis* a : c->axes()) {
        c->removeAxis(a);
        delete a;
    }

    auto* x = new QDateTimeAxis;
    const std::int64_t len = drawn_.toMs - drawn_.fromMs;
    x->setFormat(len <= kDayMs       ? QStringLiteral("HH:mm")
                 : len <= 7 * kDayMs ? QStringLiteral("ddd HH:mm")
                                     : QStringLiteral("yyyy-MM-dd"));
    x->setTickCount(7);
    c->addAxis(x, Qt::AlignBottom);

    // One value axis per unit (the S level has its own): the first on the left,
    // the others on the right, each named by its unit when there are several.
    struct Axis {
        QString unit;
        QValueAxis* axis = nullptr;
        double lo = INFINITY, hi = -INFINITY;
    };
    std::vector<Axis> axes;
    const int current = transmitter_->currentIndex();
    const std::string family =
        current >= 0 && current < static_cast<int>(transmitters_.size()) ? transmitters_[current].family : "";
    const auto axisOf = [&](const std::string& name) -> Axis& {
        const QString unit = name == kSLevelField.name ? fieldTitle(name) : unitOf(declOf(family, name));
        for (Axis& a : axes)
            if (a.unit == unit) return a;
        Axis& a = axes.emplace_back(Axis{unit, new QValueAxis});
        c->addAxis(a.axis, axes.size() == 1 ? Qt::AlignLeft : Qt::AlignRight);
        return a;
    };

    QStringList stats;
    int colour = 0;
    for (const ChartField& f : data_.fields) {
        const QString title = fieldTitle(f.name);
        Axis& axis = axisOf(f.name);
        QValueAxis* y = axis.axis;
        double& lo = axis.lo;
        double& hi = axis.hi;
        const QColor pen = QColor::fromHsv((colour++ * 67 + 210) % 360, 200, 190);
        bool named = false;
        for (auto [first, last] : unbrokenRuns(f.points, data_.gapMs)) {
            auto* s = new QLineSeries;
            s->setName(title);
            s->setColor(pen);
            QList<QPointF> points;
            points.reserve(static_cast<qsizetype>(last - first));
            for (std::size_t i = first; i < last; ++i) {
                const ChartPoint& p = f.points[i];
                points.append(QPointF(static_cast<qreal>(p.ms), p.mean));
                lo = std::min(lo, p.mean);
                hi = std::max(hi, p.mean);
            }
            s->replace(points);
            if (last - first == 1) s->setPointsVisible(true);
            if (data_.everySeconds) {
                // Interval means: the band of each interval's minimum and maximum behind them.
                auto* lower = new QLineSeries;
                auto* upper = new QLineSeries;
                for (std::size_t i = first; i < last; ++i) {
                    const ChartPoint& p = f.points[i];
                    lower->append(static_cast<qreal>(p.ms), p.min);
                    upper->append(static_cast<qreal>(p.ms), p.max);
                    lo = std::min(lo, p.min);
                    hi = std::max(hi, p.max);
                }
                auto* band = new QAreaSeries(upper, lower);
                QColor fill = pen;
                fill.setAlpha(50);
                band->setBrush(fill);
                band->setPen(Qt::NoPen);
                c->addSeries(band);
                band->attachAxis(x);
                band->attachAxis(y);
                for (QLegendMarker* m : c->legend()->markers(band)) m->setVisible(false);
            }
            c->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
            // One entry in the legend per field.
            for (QLegendMarker* m : c->legend()->markers(s)) m->setVisible(!named);
            named = true;
        }
        if (f.stats.count)
            stats << QStringLiteral("%1:  min %2   mean %3   max %4   (%5 values)")
                         .arg(title, number(f.stats.min), number(f.stats.mean()), number(f.stats.max))
                         .arg(static_cast<qulonglong>(f.stats.count));
        else stats << QStringLiteral("%1:  no values in this period").arg(title);
    }
    stats_->setText(stats.join('\n'));

    x->setRange(QDateTime::fromMSecsSinceEpoch(drawn_.fromMs), QDateTime::fromMSecsSinceEpoch(drawn_.toMs));
    for (std::size_t i = 0; i < axes.size(); ++i) {
        const Axis& a = axes[i];
        if (axes.size() > 1) a.axis->setTitleText(a.unit.isEmpty() ? QStringLiteral("(no unit)") : a.unit);
        if (std::isfinite(a.lo)) {
            const double margin = a.hi > a.lo ? (a.hi - a.lo) * 0.05 : std::max(1.0, std::fabs(a.hi) * 0.05);
            a.axis->setRange(a.lo - margin, a.hi + margin);
            a.axis->applyNiceNumbers();
        }
        if (i < yKept.size() && yKept.size() == axes.size()) a.axis->setRange(yKept[i].first, yKept[i].second);
    }
    if (xKept) x->setRange(xKept->first, xKept->second);

    QString text = QStringLiteral("%1 readings of %2").arg(static_cast<qulonglong>(data_.readings)).arg(address());
    if (data_.everySeconds)
        text += QStringLiteral(
                    ", drawn as the mean of every %1 with its minimum and maximum shaded (the CSV "
                    "export has every reading)")
                    .arg(stepText(data_.everySeconds));
    if (data_.gapMs)
        text += QStringLiteral(
                    "; the line breaks where no reading came for more than %1 (three times the median "
                    "interval)")
                    .arg(stepText(std::max<std::int64_t>(1, data_.gapMs / 1000)));
    status_->setText(text + ".");
}

void HistoryWindow::followNewReadings() {
    if (!open_) {
        if (openReader()) showTransmitter(address());
        return;
    }
    if (address() < 0) {
        showTransmitter(-1);
        return;
    }
    // A period that ends now moves on: draw again once it has moved by a hundredth.
    if (period_->currentIndex() != FromTo && now() - drawn_.toMs > (drawn_.toMs - drawn_.fromMs) / 100) {
        reload();
        return;
    }
    ReadingSpan q;
    q.address = static_cast<std::int32_t>(address());
    q.fromMs = data_.lastMs ? *data_.lastMs + 1 : drawn_.fromMs;
    q.toMs = period_->currentIndex() == FromTo ? std::optional<std::int64_t>(drawn_.toMs) : std::nullopt;
    bool any = false;
    std::string error;
    reader_.readings(
        q,
        [&](const StoredReading&) {
            any = true;
            return false;
        },
        error);
    if (any) reload();
}

void HistoryWindow::showEvent(QShowEvent* event) {
    timer_->start();
    QWidget::showEvent(event);
}

void HistoryWindow::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

bool HistoryWindow::exportPng(const QString& path, QString& error) const {
    if (view_->grab().save(path, "PNG")) return true;
    error = QStringLiteral("cannot write %1").arg(path);
    return false;
}

bool HistoryWindow::exportCsv(const QString& path, QString& error) {
    if (!openReader() || address() < 0) {
        error = QStringLiteral("no transmitter to export");
        return false;
    }
    ReadingsRequest request;
    request.span.address = static_cast<std::int32_t>(address());
    request.span.fromMs = drawn_.fromMs;
    request.span.toMs = drawn_.toMs;
    for (const QString& n : chosenFields()) request.fields.push_back(n.toStdString());
    if (request.fields.empty()) {
        error = QStringLiteral("no field chosen");
        return false;
    }
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!out) {
        error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    std::string why;
    const bool ok = readingsReport(
        reader_, request,
        [&out](std::string_view text) { out.write(text.data(), static_cast<std::streamsize>(text.size())); }, why);
    out.close();
    if (!ok) error = QString::fromStdString(why);
    else if (!out) error = QStringLiteral("cannot write %1").arg(path);
    return ok && out;
}

void HistoryWindow::pngClicked() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Chart"),
                                                      QStringLiteral("history-%1.png").arg(address()),
                                                      QStringLiteral("PNG images (*.png);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    if (!exportPng(path, error)) QMessageBox::warning(this, QStringLiteral("Error"), error);
}

void HistoryWindow::csvClicked() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Readings"),
                                                      QStringLiteral("history-%1.csv").arg(address()),
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    if (!exportCsv(path, error)) QMessageBox::warning(this, QStringLiteral("Error"), error);
}

}  // namespace ravo::app
