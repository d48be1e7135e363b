#include "support/TestRegistry.h"

#include <QCoreApplication>
#include <QTest>

namespace corvane::test {

std::vector<TestFactory>& registeredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

} // namespace corvane::test

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int failures = 0;
    for (const auto factory : corvane::test::registeredTests()) {
        const auto test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
