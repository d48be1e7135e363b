#include "platform/BrowserSignInSheet.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

BrowserSignInSheet::BrowserSignInSheet(QUrl url, bool browserOpened, QWidget* parent)
    : QDialog(parent), m_url(std::move(url)), m_explanation(new QLabel(this))
{
    setWindowTitle(tr("Sign in"));
    setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    setMinimumWidth(380);

    auto* heading = new QLabel(tr("Sign-in continues in your browser"), this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.15);
    heading->setFont(headingFont);

    m_explanation->setWordWrap(true);
    m_explanation->setText(
        tr("Finish signing in on the page that opened. corvane continues by itself when the browser comes back."));
    m_explanation->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* buttons = new QDialogButtonBox(this);
    auto* reopen = buttons->addButton(tr("Open Page Again"), QDialogButtonBox::ActionRole);
    reopen->setAccessibleName(tr("Open the sign-in page again"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(reopen, &QPushButton::clicked, this, &BrowserSignInSheet::reopen);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(10);
    layout->addWidget(heading);
    layout->addWidget(m_explanation);
    layout->addSpacing(6);
    layout->addWidget(buttons);

    if (!browserOpened) {
        showAddress();
    }
}

void BrowserSignInSheet::reopen()
{
    if (!QDesktopServices::openUrl(m_url)) {
        showAddress();
    }
}

void BrowserSignInSheet::showAddress()
{
    m_explanation->setText(tr("No browser could be opened. Open this address in a browser to sign in:\n%1")
            .arg(m_url.toString(QUrl::FullyEncoded)));
}

} // namespace corvane
