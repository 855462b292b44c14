#include "testregistry.h"

#include <QApplication>
#include <QTest>

namespace {

std::vector<TestFactory>& registry()
{
    static std::vector<TestFactory> factories;
    return factories;
}

} // namespace

void registerTestClass(TestFactory factory)
{
    registry().push_back(std::move(factory));
}

int runRegisteredTests(int argc, char** argv)
{
    QApplication application(argc, argv);
    int failures = 0;
    for (const TestFactory& factory : registry()) {
        std::unique_ptr<QObject> test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
