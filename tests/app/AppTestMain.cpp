// Runs the widget tests: all of them, or the one class named first on the command
// line (the remaining arguments go to Qt Test).
#include <QApplication>
#include <QTest>
#include <cstring>
#include <memory>
#include <vector>

#include "EndToEndTest.h"
#include "HistoryTest.h"
#include "OperatorTest.h"
#include "RecordTest.h"
#include "ScreenTest.h"
#include "SerialLinkTest.h"
#include "TransmittersTest.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<ravo::test::SerialLinkTest>());
    tests.push_back(std::make_unique<ravo::test::ScreenTest>());
    tests.push_back(std::make_unique<ravo::test::EndToEndTest>());
    tests.push_back(std::make_unique<ravo::test::OperatorTest>());
    tests.push_back(std::make_unique<ravo::test::TransmittersTest>());
    tests.push_back(std::make_unique<ravo::test::RecordTest>());
    tests.push_back(std::make_unique<ravo::test::HistoryTest>());

    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> args{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i) args.push_back(argv[i]);

    int failed = 0;
    bool ran = false;
    for (auto& t : tests) {
        const char* name = t->metaObject()->className();
        const char* shortName = std::strrchr(name, ':') ? std::strrchr(name, ':') + 1 : name;
        if (only && std::strcmp(only, shortName) != 0) continue;
        ran = true;
        failed += QTest::qExec(t.get(), static_cast<int>(args.size()), args.data());
    }
    return ran ? failed : 2;
}
