// Stores a token twice and reads it back with the Secret Service store, for tests that need a process
// of their own (libsecret picks its service once per process). Usage: secret_store_probe <fallback> <token>
#include "platform/SecretServiceStore.h"

#include <QCoreApplication>
#include <QTextStream>

#include <qcoro/qcorotask.h>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const auto arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        return 2;
    }
    corvane::SecretServiceStore store(std::chrono::seconds(10), arguments[1]);
    if (QCoro::waitFor(store.write(arguments[2])) != 0 || QCoro::waitFor(store.write(arguments[2])) != 0) {
        return 1;
    }
    QTextStream(stdout) << QCoro::waitFor(store.read()).value_or("<none>") << '\n';
    return 0;
}
