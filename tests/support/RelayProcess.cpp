#include "support/RelayProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <sys/resource.h>

namespace corvane::test {
namespace {

constexpr int startTimeoutMilliseconds = 15000;
constexpr int stopTimeoutMilliseconds = 15000;

QString postgresHost()
{
    return qEnvironmentVariable("CORVANE_TEST_POSTGRES_HOST");
}

} // namespace

bool RelayProcess::usesPostgres()
{
    return qEnvironmentVariable("CORVANE_TEST_RELAY_STORE") == "postgresql";
}

QString RelayProcess::storeMissing()
{
    if (!usesPostgres() || !postgresHost().isEmpty()) {
        return {};
    }
    return "the relay's PostgreSQL store needs a cluster: run the tests under scripts/with-postgres"
           " (scripts/setup --test installs the server)";
}

QString RelayProcess::database()
{
    if (!usesPostgres()) {
        return databasePath();
    }
    if (m_postgresDatabase.isEmpty()) {
        static int created = 0;
        const auto name = QStringLiteral("relay_%1_%2").arg(QCoreApplication::applicationPid()).arg(++created);
        QProcess createdb;
        createdb.setProcessChannelMode(QProcess::ForwardedChannels);
        createdb.start("createdb", {"--host", postgresHost(), name});
        if (!createdb.waitForFinished(startTimeoutMilliseconds) || createdb.exitCode() != 0) {
            qWarning("createdb %s failed", qPrintable(name));
        }
        m_postgresDatabase = QStringLiteral("postgresql:///%1?host=%2").arg(name, postgresHost());
    }
    return m_postgresDatabase;
}

RelayProcess::RelayProcess(QStringList environment) : m_environment(std::move(environment))
{
}

RelayProcess::~RelayProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        kill();
    }
}

bool RelayProcess::start(const QStringList& arguments)
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove("API_TOKEN");
    environment.remove("API_TOKEN_FILE");
    for (const auto& setting : m_environment) {
        environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    }
    m_process.setProcessEnvironment(environment);
    if (m_keepLog) {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setStandardErrorFile(logPath(), QIODevice::Append);
    } else {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    m_process.setChildProcessModifier([limits = m_limits] {
        for (const auto& limit : limits) {
            const rlimit value{limit.soft, limit.hard};
            setrlimit(static_cast<__rlimit_resource_t>(limit.resource), &value);
        }
    });
    m_process.start(QStringLiteral(CORVANE_RELAY_EXECUTABLE),
        QStringList{"--listen", "127.0.0.1:0", "--database", database()} + arguments);
    static const QRegularExpression listening("listening on http://127\\.0\\.0\\.1:(\\d+)");
    QByteArray output;
    const QDeadlineTimer deadline(startTimeoutMilliseconds);
    while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(int(deadline.remainingTime()));
        output += m_process.readAllStandardOutput();
        if (const auto match = listening.match(QString::fromUtf8(output)); match.hasMatch()) {
            m_port = match.captured(1).toUShort();
            return true;
        }
    }
    qWarning("corvane-relay did not start: %s", output.constData());
    return false;
}

void RelayProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(stopTimeoutMilliseconds);
}

int RelayProcess::terminate()
{
    m_process.terminate();
    if (!m_process.waitForFinished(stopTimeoutMilliseconds)) {
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QUrl RelayProcess::url(const QString& pathAndQuery) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery));
}

QByteArray RelayProcess::log() const
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString RelayProcess::logPath() const
{
    return m_folder.filePath("relay.log");
}

QString RelayProcess::databasePath() const
{
    return m_folder.filePath("relay.sqlite3");
}

} // namespace corvane::test
