#include "platform/BrowserAuthenticationSession.h"

#include "platform/BrowserSignInSheet.h"
#include "platform/Logging.h"

#include <QDesktopServices>

#include <qcoro/qcorosignal.h>

namespace corvane {

BrowserAuthenticationSession::BrowserAuthenticationSession(QObject* parent) : QObject(parent)
{
}

BrowserAuthenticationSession::~BrowserAuthenticationSession()
{
    delete m_sheet;
    finish({});
}

QCoro::Task<WebAuthenticationOutcome> BrowserAuthenticationSession::authenticate(
    QUrl url, QString callbackScheme, QWidget* anchor)
{
    if (m_waiting) {
        co_return WebAuthenticationOutcome{{}, tr("Another sign-in is already waiting for the browser.")};
    }
    m_waiting = true;
    m_scheme = std::move(callbackScheme);
    m_outcome = {};

    const bool opened = QDesktopServices::openUrl(url);
    if (!opened) {
        qCWarning(lcPlatform) << "no browser could be opened for the sign-in page";
    }
    auto* sheet = new BrowserSignInSheet(url, opened, anchor);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_sheet = sheet;
    connect(sheet, &QDialog::rejected, this,
        [this] { finish({{}, tr("Sign-in was cancelled before the browser came back to corvane.")}); });
    // A sheet that goes away with its window, not by the user's choice, ends the session with neither
    // a URL nor an error.
    connect(sheet, &QObject::destroyed, this, [this] {
        m_sheet = nullptr;
        finish({});
    });
    sheet->open();

    QPointer self(this);
    co_await qCoro(this, &BrowserAuthenticationSession::ended);
    if (!self) {
        co_return WebAuthenticationOutcome{};
    }
    co_return std::exchange(m_outcome, {});
}

bool BrowserAuthenticationSession::deliver(const QString& url)
{
    if (!m_waiting || !url.startsWith(m_scheme + QLatin1Char(':'), Qt::CaseInsensitive)) {
        return false;
    }
    finish({QUrl(url, QUrl::StrictMode), {}});
    return true;
}

void BrowserAuthenticationSession::finish(WebAuthenticationOutcome outcome)
{
    if (!m_waiting) {
        return;
    }
    m_waiting = false;
    m_outcome = std::move(outcome);
    if (m_sheet) {
        m_sheet->disconnect(this);
        m_sheet->close();
    }
    emit ended();
}

} // namespace corvane
