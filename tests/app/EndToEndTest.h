#pragma once

#include <QObject>

namespace ravo::test {

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void simulatedTrafficIsDecodedShownAndLogged();
};

}  // namespace ravo::test
