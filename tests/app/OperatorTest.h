#pragma once

#include <QObject>

namespace ravo::test {

class OperatorTest : public QObject {
    Q_OBJECT
private slots:
    void longLinesAreReadWholeAndBoxesShowTheirStart();
    void refreshOffersNewPortsAndDropsVanishedOnes();
    void aLockedLogGivesOneBoxWhileDecodingGoesOn();
};

}  // namespace ravo::test
