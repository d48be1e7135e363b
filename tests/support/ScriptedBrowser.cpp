#include "support/ScriptedBrowser.h"

#include "support/RelayClient.h"

#include <QDesktopServices>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QUrlQuery>

namespace corvane::test {
namespace {

QString unescaped(QString text)
{
    return text.replace("&quot;", "\"")
        .replace("&#39;", "'")
        .replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&amp;", "&");
}

QString attribute(const QString& tag, const QString& name)
{
    const QRegularExpression pattern(QStringLiteral("\\b%1=\"([^\"]*)\"").arg(name));
    return unescaped(pattern.match(tag).captured(1));
}

} // namespace

ScriptedBrowser::ScriptedBrowser(QString corvaneExecutable) : m_executable(std::move(corvaneExecutable))
{
    m_network.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    QDesktopServices::setUrlHandler("http", this, "open");
}

ScriptedBrowser::~ScriptedBrowser()
{
    QDesktopServices::unsetUrlHandler("http");
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

void ScriptedBrowser::open(const QUrl& url)
{
    QNetworkReply* reply = m_network.get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply, url] {
        reply->deleteLater();
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) {
            m_failure = "sign-in page: " + reply->errorString() + " " + QString::fromUtf8(reply->readAll());
            return;
        }
        submit(url, reply->readAll());
    });
}

// Sends every input of the page's form with the value the page gave it.
void ScriptedBrowser::submit(const QUrl& page, const QByteArray& html)
{
    const QString text = QString::fromUtf8(html);
    static const QRegularExpression formTag("<form\\b[^>]*>");
    static const QRegularExpression inputTag("<input\\b[^>]*>");
    QUrlQuery form;
    for (const auto& match : inputTag.globalMatch(text)) {
        const QString tag = match.captured();
        form.addQueryItem(
            QUrl::toPercentEncoding(attribute(tag, "name")), QUrl::toPercentEncoding(attribute(tag, "value")));
    }
    const QUrl action = page.resolved(QUrl(attribute(formTag.match(text).captured(), "action")));
    QNetworkRequest request(action);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    QNetworkReply* reply = m_network.post(request, form.toString(QUrl::FullyEncoded).toUtf8());
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QByteArray answer = reply->readAll();
        const QString link = RelayClient::refreshOf(answer);
        if (!link.startsWith("corvane:")) {
            m_failure = "sign-in form: " + reply->errorString() + " " + QString::fromUtf8(answer);
            return;
        }
        handOver(link);
    });
}

void ScriptedBrowser::handOver(const QString& link)
{
    m_callback = link;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(m_process.get(), &QProcess::finished, this, [this](int exitCode) { m_exitCode = exitCode; });
    m_process->start(m_executable, {link});
}

} // namespace corvane::test
