#include "app/SerialControls.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "app/Twips.h"
#include "serial/Connection.h"

namespace ravo::app {
namespace {

struct BaudOption {
    const char* name;
    const char* caption;
    int x, y;  // inside the frame
};

// In the order of kBaudRates.
constexpr BaudOption kBaudOptions[] = {
    {"opt4800", "4800", 120, 240},  {"opt9600", "9600", 120, 480},    {"opt19k2", "19200", 120, 720},
    {"opt38k4", "38400", 960, 240}, {"opt115k2", "115200", 960, 480},
};

}  // namespace

SerialControls::SerialControls(Connection& connection, const Twips& tw, QWidget* content)
    : QObject(content), connection_(connection) {
    auto* comms = new QGroupBox(QStringLiteral("Communications Port"), content);
    comms->setObjectName("frmcomms");
    comms->setGeometry(tw.rect(240, 60, 3000, 1080));
    ports_ = new QComboBox(comms);
    ports_->setObjectName("cbComPorts");
    ports_->setGeometry(tw.rect(120, 300, 2760, 330));
    connect_ = new QPushButton(comms);
    connect_->setObjectName("btConnect");
    connect_->setGeometry(tw.rect(120, 660, 1335, 360));
    // Beside Connect: looks for receivers plugged in or unplugged since start-up.
    refresh_ = new QPushButton(QStringLiteral("Refresh"), comms);
    refresh_->setObjectName("btRefresh");
    refresh_->setGeometry(tw.rect(1545, 660, 1335, 360));
    refresh_->setToolTip(QStringLiteral("Look again for serial ports (a receiver plugged in or unplugged)."));

    // Under the frame: the devices the user may not open, and what to do about it.
    refused_ = new QLabel(content);
    refused_->setObjectName("lblrefused");
    refused_->setWordWrap(true);
    refused_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    refused_->setStyleSheet(QStringLiteral("color: #C00000;"));
    refused_->setGeometry(tw.rect(240, 1150, 5160, 450));

    auto* baud = new QGroupBox(QStringLiteral("Baudrate"), content);
    baud->setObjectName("frmbaud");
    baud->setGeometry(tw.rect(3360, 60, 2040, 1080));
    auto* group = new QButtonGroup(this);
    for (size_t i = 0; i < bauds_.size(); ++i) {
        const BaudOption& o = kBaudOptions[i];
        auto* b = new QRadioButton(QString::fromLatin1(o.caption), baud);
        b->setObjectName(QString::fromLatin1(o.name));
        b->setGeometry(tw.rect(o.x, o.y, o.x < 960 ? 840 : 1020, 240));
        group->addButton(b);
        bauds_[i] = b;
        const int rate = kBaudRates[i];
        connect(b, &QRadioButton::clicked, this, [this, rate] { connection_.chooseBaud(rate); });
    }

    connect(ports_, &QComboBox::activated, this,
            [this](int index) { connection_.selectEntry(ports_->itemText(index).toStdString()); });
    connect(connect_, &QPushButton::clicked, this, [this] { connection_.connectClicked(); });
    connect(refresh_, &QPushButton::clicked, this, [this] { connection_.refreshPorts(); });
    connection_.changed = [this] { refresh(); };
    refresh();
}

SerialControls::~SerialControls() { connection_.changed = nullptr; }

void SerialControls::choosePort(int index) {
    ports_->setCurrentIndex(index);
    connection_.selectEntry(ports_->itemText(index).toStdString());
}

void SerialControls::refresh() {
    if (connection_.portList() != shownList_) {
        shownList_ = connection_.portList();
        ports_->clear();
        for (const std::string& e : shownList_) ports_->addItem(QString::fromStdString(e));
        // Nothing chosen until the operator chooses, unless the port chosen is still offered.
        const QString chosen = QString::fromStdString(connection_.table().entry(connection_.portNumber()));
        ports_->setCurrentIndex(ports_->findText(chosen));
    }
    const std::vector<std::string> refused = connection_.refusedTexts();
    QStringList lines;
    for (const std::string& t : refused) lines << QString::fromStdString(t);
    const QString first = lines.isEmpty() ? QString() : lines.first();
    refused_->setText(lines.size() > 1 ? first + QStringLiteral(" (and %1 more)").arg(lines.size() - 1) : first);
    refused_->setToolTip(lines.join('\n'));
    refused_->setVisible(!lines.isEmpty());
    const bool connected = connection_.connected();
    connect_->setText(QString::fromStdString(connection_.caption()));
    ports_->setEnabled(!connected);
    refresh_->setEnabled(!connected);
    for (size_t i = 0; i < bauds_.size(); ++i) {
        bauds_[i]->setEnabled(!connected);
        if (kBaudRates[i] == connection_.baud() && !bauds_[i]->isChecked()) bauds_[i]->setChecked(true);
    }
}

}  // namespace ravo::app
