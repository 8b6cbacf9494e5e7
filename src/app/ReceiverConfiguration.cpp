#include "app/ReceiverConfiguration.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "app/BoxEdit.h"
#include "app/BoxMirror.h"
#include "app/Twips.h"
#include "core/Receiver.h"
#include "serial/Connection.h"

namespace ravo::app {

ReceiverConfiguration::ReceiverConfiguration(Receiver& rx, Connection& connection, BoxMirror& mirror, const Twips& tw,
                                             QWidget* content)
    : QObject(content), rx_(rx) {
    auto* type = new QGroupBox(QStringLiteral("Receiver Type"), content);
    type->setObjectName("frmreceivertype");
    type->setGeometry(tw.rect(10080, 60, 2640, 900));
    vhf_ = new QRadioButton(QStringLiteral("VHF      153/169 MHz"), type);
    vhf_->setObjectName("optvhf");
    vhf_->setGeometry(tw.rect(120, 270, 2400, 270));
    uhf_ = new QRadioButton(QStringLiteral("UHF     434/869 MHz"), type);
    uhf_->setObjectName("optuhf");
    uhf_->setGeometry(tw.rect(120, 570, 2400, 270));
    auto* band = new QButtonGroup(this);
    band->addButton(vhf_);
    band->addButton(uhf_);
    connect(vhf_, &QRadioButton::clicked, this, [this] { rx_.click("optvhf"); });
    connect(uhf_, &QRadioButton::clicked, this, [this] { rx_.click("optuhf"); });

    auto* frame = new QGroupBox(QStringLiteral("Ravo Receiver Configuration"), content);
    frame->setObjectName("frmravomode");
    frame->setGeometry(tw.rect(17640, 60, 4695, 2250));
    // Addresses 1-3 in the top row, 4-6 in the second, 7-8 in the third.
    for (int i = 0; i < 8; ++i) {
        const auto f = static_cast<Field>(static_cast<int>(Field::txtadd1) + i);
        auto* e = new BoxEdit(frame);
        e->setObjectName(QString::fromLatin1(ScreenModel::fieldName(f)));
        e->setGeometry(tw.rect(120 + 1080 * (i % 3), 330 + 450 * (i / 3), 1000, 330));
        mirror.bind({f, 0}, e);
    }
    auto* mode = new BoxEdit(frame);
    mode->setObjectName("txtmode");
    mode->setGeometry(tw.rect(120, 1740, 1000, 330));
    mirror.bind({Field::txtmode, 0}, mode);

    auto button = [&](const char* name, const char* caption, QRect where) {
        auto* b = new QPushButton(QString::fromLatin1(caption), frame);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(where);
        return b;
    };
    connect(button("cmdprogadd", "Set 3ch Add", tw.rect(3360, 315, 1215, 360)), &QPushButton::clicked, this,
            [&connection] { connection.setAddressesClicked(3); });
    connect(button("cmdprog8chadd", "Set 8ch Add", tw.rect(3360, 765, 1215, 360)), &QPushButton::clicked, this,
            [&connection] { connection.setAddressesClicked(8); });
    connect(button("cmdprogmode", "Set Mode", tw.rect(1200, 1725, 1215, 360)), &QPushButton::clicked, this,
            [&connection] { connection.setModeClicked(); });

    showBand();
}

void ReceiverConfiguration::showBand() {
    const QSignalBlocker b1(vhf_), b2(uhf_);
    (rx_.screen().vhfSelected() ? vhf_ : uhf_)->setChecked(true);
}

}  // namespace ravo::app
