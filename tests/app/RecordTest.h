#pragma once

#include <QObject>

namespace ravo::test {

class RecordTest : public QObject {
    Q_OBJECT
private slots:
    void aReplayAndTheOperatorAreRecordedAsTheyHappened();
};

}  // namespace ravo::test
