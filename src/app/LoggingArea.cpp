#include "app/LoggingArea.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>

#include "app/BoxEdit.h"
#include "app/BoxMirror.h"
#include "app/Twips.h"
#include "core/Receiver.h"

namespace ravo::app {

LoggingArea::LoggingArea(Receiver& rx, BoxMirror& mirror, const Twips& tw, QWidget* content)
    : QObject(content), rx_(rx) {
    enable_ = new QCheckBox(QStringLiteral("Enable Logging"), content);
    enable_->setObjectName("chklogen");
    enable_->setGeometry(tw.rect(5520, 120, 1800, 300));
    connect(enable_, &QCheckBox::clicked, this, [this] { rx_.click("chklogen"); });

    auto label = [&](const QString& text, QRect where) {
        auto* l = new QLabel(text, content);
        l->setGeometry(where);
        return l;
    };
    auto box = [&](Field f, QRect where) {
        auto* e = new BoxEdit(content);
        e->setObjectName(QString::fromLatin1(ScreenModel::fieldName(f)));
        e->setGeometry(where);
        mirror.bind({f, 0}, e);
        return e;
    };

    label(QStringLiteral("File Path"), tw.rect(5520, 480, 900, 300))->setObjectName("lblfilepath");
    box(Field::txtfilepath, tw.rect(6480, 465, 3420, 330));

    oneFile_ = new QRadioButton(QStringLiteral("Single File"), content);
    oneFile_->setObjectName("optonefile");
    oneFile_->setGeometry(tw.rect(5520, 840, 1500, 300));
    separateFiles_ = new QRadioButton(QStringLiteral("Separate Transmitter Files"), content);
    separateFiles_->setObjectName("optsepfiles");
    separateFiles_->setGeometry(tw.rect(7080, 840, 2820, 300));
    auto* group = new QButtonGroup(this);
    group->addButton(oneFile_);
    group->addButton(separateFiles_);
    connect(oneFile_, &QRadioButton::clicked, this, [this] { rx_.click("optonefile"); });
    connect(separateFiles_, &QRadioButton::clicked, this, [this] { rx_.click("optsepfiles"); });

    // The prefixes of the two logs' file names (pulse log, temperature log).
    QWidget* pulse = box(Field::txtpulsefilename, tw.rect(6480, 1185, 1200, 330));
    pulse->setToolTip(QStringLiteral("File-name prefix of the pulse log"));
    label(QStringLiteral("Pulse Log"), tw.rect(5520, 1200, 900, 300));
    QWidget* temp = box(Field::txttempfilename, tw.rect(8700, 1185, 1200, 330));
    temp->setToolTip(QStringLiteral("File-name prefix of the temperature log"));
    label(QStringLiteral("Temp Log"), tw.rect(7800, 1200, 900, 300));

    showSettings();
}

void LoggingArea::showSettings() {
    const QSignalBlocker b1(enable_), b2(oneFile_), b3(separateFiles_);
    enable_->setChecked(rx_.screen().loggingEnabled());
    (rx_.screen().separateFiles() ? separateFiles_ : oneFile_)->setChecked(true);
}

}  // namespace ravo::app
