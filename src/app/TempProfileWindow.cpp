#include "app/TempProfileWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "app/BoxEdit.h"
#include "app/BoxMirror.h"
#include "app/Look.h"
#include "app/Twips.h"
#include "core/Receiver.h"

namespace ravo::app {
namespace {

// Plot geometry in twips, window coordinates.
constexpr int kBarLeft = 1200;
constexpr int kBarBottomTop = 7440;  // top of bar 0
constexpr int kBarPitch = 120;
constexpr int kBarHeight = 105;
constexpr int kAxisX = 960;
constexpr int kAxisTop = 240;
constexpr int kAxisY = 7680;
constexpr int kAxisRight = 11760;
constexpr int kGridTop = 360;
constexpr int kGridBottom = 7800;
constexpr int kGridLines[] = {2640, 4200, 5640, 7200, 8640, 10200, 11640};
constexpr int kTempLabelX[] = {2160, 3720, 5160, 6840, 8280, 9840, 11160};
constexpr int kSampleLabelBars[] = {0, 9, 19, 29, 39, 49, 59};

}  // namespace

TempProfileWindow::TempProfileWindow(Receiver& rx, QWidget* parent) : QWidget(parent, Qt::Window), rx_(rx) {
    setObjectName("temp_profile");
    setWindowTitle(QStringLiteral("Temperature Profile"));
    setAttribute(Qt::WA_QuitOnClose, false);
    const Twips tw = Twips::of(this);
    setFixedSize(tw.px(12600), tw.px(9405));
    mirror_ = new BoxMirror(rx_, this);
    buildBoxes();
    buildLabels();
    connect(&timer_, &QTimer::timeout, this, [this] { rx_.profileTimer(); });
    rx_.observeProfile([this] { follow(); });
    follow();
}

TempProfileWindow::~TempProfileWindow() { rx_.observeProfile(nullptr); }

void TempProfileWindow::buildBoxes() {
    const Twips tw = Twips::of(this);
    struct Box {
        Field field;
        const char* label;
        int left, width;
    };
    constexpr Box kBoxes[] = {
        {Field::txt_temptx, "Address", 240, 1800},
        {Field::txt_profiletemp, "Temperature", 2280, 1800},
        {Field::txt_profiletime, "Received Time", 4320, 2040},
        {Field::txt_update, "Update Period (sec)", 6600, 2400},
    };
    for (const Box& b : kBoxes) {
        auto* l = new QLabel(QString::fromLatin1(b.label), this);
        l->setGeometry(tw.rect(b.left, 7980, b.width, 270));
        auto* e = new BoxEdit(this);
        e->setObjectName(QString::fromLatin1(ScreenModel::fieldName(b.field)));
        e->setFont(sansFont(13.5));
        e->setGeometry(tw.rect(b.left, 8280, b.field == Field::txt_update ? 1200 : b.width, 480));
        mirror_->bind({b.field, 0}, e);
    }
    auto* exit = new QPushButton(QStringLiteral("Exit"), this);
    exit->setObjectName("cmd_exit");
    exit->setGeometry(tw.rect(10800, 8280, 1200, 480));
    connect(exit, &QPushButton::clicked, this, [this] { rx_.exitProfile(); });
}

void TempProfileWindow::buildLabels() {
    const Twips tw = Twips::of(this);
    auto* title = new QLabel(QStringLiteral("Number Of Readings"), this);
    title->setGeometry(tw.rect(120, 0, 2400, 240));
    for (int i = 0; i < 7; ++i) {
        auto* l = new QLabel(QStringLiteral("%1degC").arg(10 * (i + 1)), this);
        l->setObjectName(QStringLiteral("lbl_temp[%1]").arg(i));
        l->setGeometry(tw.rect(kTempLabelX[i], 7800, 1000, 240));
    }
    for (int i = 0; i < 7; ++i) {
        const int bar = kSampleLabelBars[i];
        auto* l = new QLabel(QString::number(i == 0 ? 1 : 10 * i), this);
        l->setObjectName(QStringLiteral("lbl_proftime[%1]").arg(i));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(tw.rect(600, kBarBottomTop - kBarPitch * bar + kBarHeight / 2 - 120, 300, 240));
    }
}

QRect TempProfileWindow::barRect(int i) const {
    const Twips tw = Twips::of(this);
    const double width = std::max(0.0, rx_.profile().barWidth(i));
    return tw.rect(kBarLeft, kBarBottomTop - kBarPitch * i, width, kBarHeight);
}

void TempProfileWindow::follow() {
    const ProfileWindow& p = rx_.profile();
    if (p.timerEnabled()) {
        // A new period restarts the timer; otherwise it keeps its rhythm.
        const int ms = static_cast<int>(p.intervalMs());
        if (!timer_.isActive() || timer_.interval() != ms) timer_.start(ms);
    } else {
        timer_.stop();
    }
    if (p.shown() && !isVisible()) show();
    else if (!p.shown() && isVisible()) hide();
    update();
}

void TempProfileWindow::paintEvent(QPaintEvent*) {
    const Twips tw = Twips::of(this);
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(tw.px(kAxisX), tw.px(kAxisTop), tw.px(kAxisX), tw.px(kAxisY));
    p.drawLine(tw.px(kAxisX), tw.px(kAxisY), tw.px(kAxisRight), tw.px(kAxisY));
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    for (int x : kGridLines) p.drawLine(tw.px(x), tw.px(kGridTop), tw.px(x), tw.px(kGridBottom));
    if (!rx_.profile().loaded()) return;
    const QColor blue = qcolour(colour::blue);
    for (int i = 0; i < ProfileWindow::kBars; ++i) {
        const QRect r = barRect(i);
        if (r.width() > 0) p.fillRect(r, blue);
    }
}

void TempProfileWindow::closeEvent(QCloseEvent* event) {
    // Closing the window is the same as "Exit": the window is unloaded.
    if (rx_.profile().loaded()) rx_.exitProfile();
    event->accept();
}

}  // namespace ravo::app
