// Stores a token twice and reads it back with the Secret Service store, then reads it again after the
// stored item changed behind the store's back, before and after forget(); for tests that need a process
// of their own (libsecret picks its service once per process). Usage: secret_store_probe <fallback> <token>
#include "platform/FileSecretStore.h"
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
    QTextStream out(stdout);
    out << QCoro::waitFor(store.read()).value_or("<none>") << '\n';
    if (QCoro::waitFor(corvane::FileSecretStore(arguments[1]).write("changed")) != 0) {
        return 1;
    }
    out << QCoro::waitFor(store.read()).value_or("<none>") << '\n';
    store.forget();
    out << QCoro::waitFor(store.read()).value_or("<none>") << '\n';
    return 0;
}
