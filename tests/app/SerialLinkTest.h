#pragma once

#include <QObject>

namespace ravo::test {

class SerialLinkTest : public QObject {
    Q_OBJECT
private slots:
    void startUpWakesEveryOpenablePortTwice();
    void portListShowsTheOpenablePorts();
    void connectAndDisconnectChangeCaptionAndControls();
    void connectWithoutChoosingAPortAsksForOne();
    void connectToAPortHeldElsewhereSaysBusy();
    void vanishedReceiverDisconnectsWithOneMessage();
    void closingWhileConnectedSendsMonitorOff();
    void closingWhileDisconnectedSendsNothing();
    void setModeSendsTheModeCommand();
    void set3chAddSendsTheFirstThreeAddresses();
    void commandWhileDisconnectedIsReported();
};

}  // namespace ravo::test
