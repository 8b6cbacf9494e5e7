#pragma once

#include <QObject>

namespace ravo::test {

class TransmittersTest : public QObject {
    Q_OBJECT
private slots:
    void tableFollowsTheRegistry();
    void windowOpensTheProfileAndExports();
};

}  // namespace ravo::test
