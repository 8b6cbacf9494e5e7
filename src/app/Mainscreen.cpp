#include "app/Mainscreen.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <utility>

#include "app/BoxEdit.h"
#include "app/BoxMirror.h"
#include "app/ErrorMessages.h"
#include "app/LoggingArea.h"
#include "app/Look.h"
#include "app/ReadingGrids.h"
#include "app/ReceiverConfiguration.h"
#include "app/SerialControls.h"
#include "app/TempProfileWindow.h"
#include "app/Throttle.h"
#include "app/TransmittersWindow.h"
#include "app/Twips.h"
#include "core/Receiver.h"
#include "registry/TransmitterRegistry.h"
#include "serial/Connection.h"
#include "serial/qt/QtSerialPort.h"
#include "sim/Recorder.h"

namespace ravo::app {
namespace {

// The design-size client area, and the right edge of the configuration frame
// beyond it (with the same margin as on the left).
constexpr int kDesignWidth = 17415;
// The message box is three lines high, so that the longest monitor line is read
// whole; the client area grows by what that adds under the box.
constexpr int kMessageTop = 10050;
constexpr int kMessageHeight = 1000;
constexpr int kDesignHeight = kMessageTop + kMessageHeight + 140;
constexpr int kContentWidth = 22335 + 240;

// The pane shows line ends as line breaks.
QString paneText(const std::string& text) {
    QString t = BoxMirror::toWidget(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

}  // namespace

Mainscreen::Mainscreen(Receiver& rx, const Clock& clock, Connection& connection, QtSerialPort& port, QWidget* parent)
    : QMainWindow(parent), rx_(rx), time_(clock), connection_(connection), port_(port), poll_(rx, clock) {
    setObjectName("Mainscreen");
    setWindowTitle(QStringLiteral("Ravo Receiver V29"));
    const Twips tw = Twips::of(this);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    content_ = new QWidget;
    content_->setObjectName("content");
    content_->setFont(sansFont(8.25));
    content_->setFixedSize(tw.px(kContentWidth), tw.px(kDesignHeight));
    scroll_->setWidget(content_);
    setCentralWidget(scroll_);

    mirror_ = new BoxMirror(rx_, this);
    panes_ = new Throttle([this] { showPanes(); }, this);
    messages_ = new ErrorMessages(rx_, this);
    serial_ = new SerialControls(connection_, tw, content_);
    logging_ = new LoggingArea(rx_, *mirror_, tw, content_);
    configuration_ = new ReceiverConfiguration(rx_, connection_, *mirror_, tw, content_);
    grids_ = new ReadingGrids(rx_, *mirror_, tw, content_);
    buildStatusBoxes();
    buildReceiverMonitor();
    buildMessageArea();
    profile_ = new TempProfileWindow(rx_, this);

    connect(grids_, &ReadingGrids::tempAddressDoubleClicked, this, [this](int row) {
        rx_.doubleClick(QStringLiteral("txttempadd[%1]").arg(row).toStdString());
        raiseProfile();
    });

    QPointer<Mainscreen> self(this);
    rx_.observeScreen([self](const ModelChange& c) {
        if (self) self->modelChanged(c);
    });

    // Every arrival of data makes sure the poll timer runs.
    deliver_ = port_.onData;
    port_.onData = [this](std::string_view bytes) {
        if (deliver_) deliver_(bytes);
        poll_.kick();
    };

    clock_.setInterval(1000);
    connect(&clock_, &QTimer::timeout, this, &Mainscreen::clockTick);
    fitToScreen();
}

Mainscreen::~Mainscreen() {
    port_.onData = deliver_;
    // These hold on to the poll timer and the receiver's callbacks: gone first.
    delete transmitters_;
    delete profile_;
    delete messages_;
}

void Mainscreen::buildStatusBoxes() {
    const Twips tw = Twips::of(this);
    auto* clock = new BoxEdit(content_);
    clock->setObjectName("txtmask");
    clock->setFont(sansFont(9.75, true));
    clock->setAlignment(Qt::AlignCenter);
    clock->setReadOnly(true);
    clock->setGeometry(tw.rect(10080, 1080, 1200, 360));
    mirror_->bind({Field::txtmask, 0}, clock);
    connect(clock, &BoxEdit::clicked, this, [this] { rx_.click("txtmask"); });

    auto* label = new QLabel(QStringLiteral("Errors"), content_);
    label->setObjectName("lbl_errorcount");
    label->setGeometry(tw.rect(11400, 1110, 600, 300));
    auto* errors = new BoxEdit(content_);
    errors->setObjectName("txt_errorcount");
    errors->setFont(sansFont(9.75, true));
    errors->setReadOnly(true);
    errors->setGeometry(tw.rect(12000, 1080, 720, 360));
    mirror_->bind({Field::txt_errorcount, 0}, errors);
    connect(errors, &BoxEdit::doubleClicked, this, [this] { rx_.doubleClick("txt_errorcount"); });

    // Input given up because the rest of an item never came is told in the tooltip.
    const auto showAbandoned = [this, errors] {
        const ProgramState& st = rx_.state();
        errors->setToolTip(QStringLiteral("Bad frames since the last reset (double-click to reset).\n"
                                          "Waits for the rest of an item given up: %1 (%2 bytes dropped).")
                               .arg(st.abandonedWaits)
                               .arg(st.abandonedBytes));
    };
    showAbandoned();
    poll_.afterTick = [this, showAbandoned, seen = std::uint64_t{0}]() mutable {
        if (rx_.state().abandonedWaits == seen) return;
        seen = rx_.state().abandonedWaits;
        showAbandoned();
    };
}

void Mainscreen::buildReceiverMonitor() {
    const Twips tw = Twips::of(this);
    auto* frame = new QGroupBox(QStringLiteral("Receiver Monitor"), content_);
    frame->setObjectName("frmReceiverMonitor");
    frame->setGeometry(tw.rect(12840, 60, 4335, 1860));
    monitor_ = new QPlainTextEdit(frame);
    monitor_->setObjectName("txtReceiverMonitor");
    monitor_->setFont(fixedFont(8.25));
    monitor_->setReadOnly(true);
    monitor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    monitor_->setGeometry(tw.rect(120, 270, 4095, 1470));
    showMonitor();
}

void Mainscreen::buildMessageArea() {
    const Twips tw = Twips::of(this);
    auto* label = new QLabel(QStringLiteral("Message Received"), content_);
    label->setObjectName("lblinstring");
    label->setGeometry(tw.rect(240, 9780, 2400, 270));
    message_ = new QPlainTextEdit(content_);
    message_->setObjectName("txtinstring");
    message_->setFont(sansFont(12));
    message_->setReadOnly(true);
    message_->document()->setDocumentMargin(1);
    message_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    message_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    message_->setGeometry(tw.rect(240, kMessageTop, 10100, kMessageHeight));
    showMessageBox();

    auto* filterLabel = new QLabel(QStringLiteral("Address Filter"), content_);
    filterLabel->setObjectName("lbladdfilter");
    filterLabel->setGeometry(tw.rect(10560, 9780, 1800, 270));
    auto* filter = new BoxEdit(content_);
    filter->setObjectName("txtaddfilter");
    filter->setFont(sansFont(12));
    filter->setGeometry(tw.rect(10560, 10050, 1500, 400));
    mirror_->bind({Field::txtaddfilter, 0}, filter);
}

void Mainscreen::raiseProfile() {
    if (profile_->isVisible()) {
        profile_->raise();
        profile_->activateWindow();
    }
}

void Mainscreen::attachRegistry(TransmitterRegistry& registry) {
    if (registry_) return;
    registry_ = &registry;
    transmitters_ = new TransmittersWindow(registry, rx_, this);
    transmitters_->openProfile = [this](long long address) {
        rx_.openProfile(address);
        raiseProfile();
    };
    // Right of the temperature grid's "Sequential Address", where nothing else lies.
    const Twips tw = Twips::of(this);
    auto* button = new QPushButton(QStringLiteral("Transmitters"), content_);
    button->setObjectName("cmdtransmitters");
    button->setGeometry(tw.rect(10920, 1620, 1455, 375));
    button->show();
    connect(button, &QPushButton::clicked, this, [this] {
        transmitters_->show();
        transmitters_->raise();
        transmitters_->activateWindow();
    });
}

void Mainscreen::attachRecorder(Recorder& recorder) {
    recorder_ = &recorder;
    recorder.attach(rx_);
    poll_.beforeCycle = [&recorder] { recorder.beginDecoding(); };
    poll_.afterCycle = [&recorder] { recorder.endDecoding(); };
    // Between the address buttons of the pulse grid and those of the temperature grid.
    const Twips tw = Twips::of(this);
    record_ = new QPushButton(QStringLiteral("Record"), content_);
    record_->setObjectName("cmdrecord");
    record_->setCheckable(true);
    record_->setGeometry(tw.rect(4200, 1620, 1215, 375));
    record_->setToolTip(QStringLiteral("Record what is received, and what you do, as a capture file."));
    record_->show();
    connect(record_, &QPushButton::toggled, this, [this](bool on) {
        if (!on) {
            recorder_->stop();
            record_->setToolTip(QStringLiteral("Record what is received, and what you do, as a capture file."));
            return;
        }
        if (recorder_->recording()) return;
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Record to"), QString(),
                                                          QStringLiteral("Captures (*.txt);;All files (*)"));
        std::string error;
        if (path.isEmpty() || !startRecording(path.toStdString(), error)) {
            const QSignalBlocker block(record_);
            record_->setChecked(false);
            if (!error.empty()) QMessageBox::warning(this, QStringLiteral("Record"), QString::fromStdString(error));
        }
    });
}

bool Mainscreen::startRecording(const std::string& path, std::string& error) {
    if (!recorder_ || !recorder_->start(path, "recorded by ravo-monitor", true, error)) return false;
    const QSignalBlocker block(record_);
    record_->setChecked(true);
    record_->setToolTip(QStringLiteral("Recording into %1 (click to stop).").arg(QString::fromStdString(path)));
    return true;
}

void Mainscreen::setMessageHook(std::function<void(const QString&)> hook) { messages_->hook = std::move(hook); }

QSize Mainscreen::designSize() const {
    const Twips tw = Twips::of(this);
    return {tw.px(kDesignWidth), tw.px(kDesignHeight)};
}

QSize Mainscreen::contentSize() const { return content_->size(); }

void Mainscreen::fitToScreen() {
    // The whole content when the screen has room for it; otherwise as much as fits,
    // and the scroll bars reach the rest.
    QSize size = contentSize();
    if (const QScreen* s = screen()) {
        const QSize room = s->availableGeometry().size() - QSize(16, 48);
        size = size.boundedTo(room);
    }
    resize(size);
}

void Mainscreen::startUp(FileSystem& files, const std::string& logFolder) {
    connection_.startUp(files, logFolder, time_.now());
    clock_.start();
    poll_.kick();
}

void Mainscreen::modelChanged(const ModelChange& c) {
    switch (c.kind) {
        case ModelChange::Kind::Lamp: grids_->showLamp(c.ref.row); break;
        case ModelChange::Kind::Text:
        case ModelChange::Kind::Message:
            if (c.ref.field != Field::txtinstring) break;
            messageDue_ = true;
            panes_->request();
            break;
        case ModelChange::Kind::MonitorAppend:
            monitorDue_ = true;
            panes_->request();
            break;
        case ModelChange::Kind::Setting:
            logging_->showSettings();
            configuration_->showBand();
            break;
        case ModelChange::Kind::Fore: break;  // the mirror shows it
    }
}

void Mainscreen::showPending() {
    panes_->flush();
    mirror_->flush();
}

void Mainscreen::showPanes() {
    if (std::exchange(monitorDue_, false)) showMonitor();
    if (std::exchange(messageDue_, false)) showMessageBox();
}

void Mainscreen::showMonitor() {
    const QString text = paneText(rx_.screen().text(Field::txtReceiverMonitor));
    if (monitor_->toPlainText() != text) monitor_->setPlainText(text);
    // The caret at the end, so that the pane shows its newest part.
    QTextCursor cursor = monitor_->textCursor();
    cursor.movePosition(QTextCursor::End);
    monitor_->setTextCursor(cursor);
    monitor_->ensureCursorVisible();
}

void Mainscreen::showMessageBox() {
    const QString text = BoxMirror::toWidget(rx_.screen().text(Field::txtinstring));
    if (message_->toPlainText() != text) message_->setPlainText(text);
    // Read from its start.
    message_->moveCursor(QTextCursor::Start);
}

void Mainscreen::clockTick() {
    const LocalTime now = time_.now();
    if (registry_) registry_->check(now);
    rx_.clockTick(now);
}

void Mainscreen::closeEvent(QCloseEvent* event) {
    if (!shutDown_) {
        shutDown_ = true;
        clock_.stop();
        if (recorder_) recorder_->stop();
        connection_.shutDown();  // monitor-off, only when connected
        port_.flush(1000);
        port_.close();
        profile_->hide();
        if (transmitters_) transmitters_->hide();
    }
    QMainWindow::closeEvent(event);
}

}  // namespace ravo::app
