#include "support/TestRegistry.h"

#include <QProcess>
#include <QTest>

// Widget tests need a QApplication; the others stay free of the GUI.
#ifdef CORVANE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <algorithm>
#include <memory>
#include <vector>

namespace corvane::test {

std::vector<TestFactory>& registeredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

} // namespace corvane::test

namespace {

// "corvane::AppStateTest" answers to "AppStateTest".
bool isNamed(const QObject& test, const char* name)
{
    const QByteArray className = test.metaObject()->className();
    return className == name || className.endsWith(QByteArray("::") + name);
}

} // namespace

// Runs every registered test class, or with a class name as the first argument only that class
// (the remaining arguments go to QTest as usual: test_program AppStateTest tick -v2).
int main(int argc, char** argv)
{
    TestApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    for (const auto factory : corvane::test::registeredTests()) {
        tests.push_back(factory());
    }
    const bool oneClass
        = argc > 1 && std::ranges::any_of(tests, [&](const auto& test) { return isNamed(*test, argv[1]); });
    // Several classes run one process each: after a class skipped itself in initTestCase, QtTest 6.4
    // passes every later class of the same process without running any of its functions.
    if (!oneClass && tests.size() > 1) {
        int failed = 0;
        for (const auto& test : tests) {
            QStringList arguments{QString::fromLatin1(test->metaObject()->className())};
            for (int index = 1; index < argc; ++index) {
                arguments << QString::fromLocal8Bit(argv[index]);
            }
            failed += QProcess::execute(QCoreApplication::applicationFilePath(), arguments) == 0 ? 0 : 1;
        }
        return failed == 0 ? 0 : 1;
    }
    std::vector<char*> arguments(argv, argv + argc);
    if (oneClass) {
        arguments.erase(arguments.begin() + 1);
    }
    int failures = 0;
    for (const auto& test : tests) {
        if (!oneClass || isNamed(*test, argv[1])) {
            failures += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
        }
    }
    return failures == 0 ? 0 : 1;
}
