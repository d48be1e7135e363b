#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace corvane::test {

// A real corvane-relay process on an ephemeral loopback port, with its database in a temporary
// folder that outlives restarts of the process. With CORVANE_TEST_RELAY_STORE=postgresql the database
// is instead a fresh PostgreSQL database in the cluster scripts/with-postgres runs.
class RelayProcess {
public:
    static bool usesPostgres();
    // Why the relay's store cannot be had (PostgreSQL chosen, no cluster running); empty when it can.
    static QString storeMissing();

    // `environment` holds NAME=value settings added to the relay's environment.
    explicit RelayProcess(QStringList environment = {});
    RelayProcess(const RelayProcess&) = delete;
    RelayProcess& operator=(const RelayProcess&) = delete;
    ~RelayProcess();

    // Starts the relay and waits (bounded) until it says where it listens. False when it did not.
    bool start(const QStringList& arguments = {});
    // Resource limits (setrlimit) the relay starts under from now on, such as {RLIMIT_AS, bytes, bytes}.
    struct Limit {
        int resource = 0;
        quint64 soft = 0;
        quint64 hard = 0;
    };
    void setLimits(QList<Limit> limits) { m_limits = std::move(limits); }
    // From the next start on, what the relay writes on standard error is kept (across restarts) for
    // log() instead of passed through.
    void keepLog() { m_keepLog = true; }
    QByteArray log() const;
    bool running() const { return m_process.state() == QProcess::Running; }
    // SIGKILL: no chance to finish anything.
    void kill();
    // SIGTERM, then waits for the exit; the exit code, or -1 when it did not exit in time.
    int terminate();

    // The exit code of a relay that ended by itself; -1 while it runs or when it crashed.
    int exitCode() const
    {
        return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit
            ? m_process.exitCode()
            : -1;
    }
    quint16 port() const { return m_port; }
    qint64 processId() const { return m_process.processId(); }
    QUrl url(const QString& pathAndQuery) const;
    // The SQLite file; meaningless under PostgreSQL.
    QString databasePath() const;
    // What --database names: the SQLite file, or a PostgreSQL database created on first use.
    QString database();

private:
    QString logPath() const;

    QTemporaryDir m_folder;
    QStringList m_environment;
    QList<Limit> m_limits;
    bool m_keepLog = false;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_postgresDatabase;
};

} // namespace corvane::test

// Skips the test class (from initTestCase) when the relay's store cannot be had, saying why.
#define CORVANE_SKIP_WITHOUT_RELAY_STORE()                                                                             \
    if (const auto missing = corvane::test::RelayProcess::storeMissing(); !missing.isEmpty()) {                        \
        QSKIP(qPrintable(missing));                                                                                    \
    }
