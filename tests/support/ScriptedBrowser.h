#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QUrl>

#include <memory>

namespace corvane::test {

// Stands in for the person and the browser of a sign-in: installed as the desktop's handler of http
// links, it loads the relay's sign-in page, submits its form as it is, and hands the corvane:// link
// the answer's refresh sends it to to a new `corvane <link>` process, as a desktop would.
class ScriptedBrowser : public QObject {
    Q_OBJECT

public:
    explicit ScriptedBrowser(QString corvaneExecutable);
    ~ScriptedBrowser() override;

    // The link the sign-in ended with, once it has.
    const QString& callback() const { return m_callback; }
    // The exit code of the `corvane <link>` process, once it has ended; -1 before.
    int handOverExitCode() const { return m_exitCode; }
    // What went wrong, when something did.
    const QString& failure() const { return m_failure; }

public slots:
    void open(const QUrl& url);

private:
    void submit(const QUrl& page, const QByteArray& html);
    void handOver(const QString& link);

    QString m_executable;
    QNetworkAccessManager m_network;
    std::unique_ptr<QProcess> m_process;
    QString m_callback;
    QString m_failure;
    int m_exitCode = -1;
};

} // namespace corvane::test
