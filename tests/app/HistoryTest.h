#pragma once

#include <QObject>

namespace ravo::test {

class HistoryTest : public QObject {
    Q_OBJECT
private slots:
    void windowDrawsTheStoredReadings();
    void transmittersWindowOpensIt();
};

}  // namespace ravo::test
