#include "update/UpdateWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>

namespace corvane {
namespace {

constexpr int iconSize = 64;

QIcon applicationIcon(const QStyle& style)
{
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        icon = QIcon::fromTheme(QStringLiteral("dev.corvane.app"));
    }
    return icon.isNull() ? style.standardIcon(QStyle::SP_MessageBoxInformation) : icon;
}

} // namespace

UpdateWindow::UpdateWindow(QWidget* parent)
    : QDialog(parent), m_headline(new QLabel(this)), m_detail(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_notes(new QTextBrowser(this)), m_buttons(new QDialogButtonBox(this))
{
    setWindowTitle(tr("Software Update"));
    setModal(false);
    setMinimumWidth(460);

    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon(*style()).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    m_headline->setObjectName(QStringLiteral("headline"));
    QFont headlineFont = m_headline->font();
    headlineFont.setBold(true);
    m_headline->setFont(headlineFont);
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detail->setWordWrap(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detail->setTextFormat(Qt::PlainText);

    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);

    m_notes->setObjectName(QStringLiteral("releaseNotes"));
    // Notes come from the feed's server: of their links, only web pages open, in the browser.
    m_notes->setOpenLinks(false);
    m_notes->setOpenExternalLinks(false);
    connect(m_notes, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
        if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")) {
            QDesktopServices::openUrl(url);
        }
    });
    m_notes->setMinimumHeight(220);

    m_buttons->setObjectName(QStringLiteral("buttons"));
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 4, 1);
    layout->addWidget(m_headline, 0, 1);
    layout->addWidget(m_detail, 1, 1);
    layout->addWidget(m_progress, 2, 1);
    layout->addWidget(m_notes, 3, 1);
    layout->addWidget(m_buttons, 4, 0, 1, 2);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(1, 1);

    showChecking();
}

void UpdateWindow::showChecking()
{
    setPage(Page::checking, tr("Checking for updates…"), QString());
    m_progress->show();
    m_buttons->addButton(QDialogButtonBox::Cancel);
}

void UpdateWindow::showNotConfigured()
{
    setPage(Page::notConfigured, tr("Updates come from your distribution"),
        tr("This build of Corvane does not look for updates itself. New versions are installed with your "
           "distribution's package manager."));
    addCloseButton();
}

void UpdateWindow::showUpToDate(const ReleaseVersion& current)
{
    setPage(
        Page::upToDate, tr("You're up to date"), tr("Corvane %1 is the newest version available.").arg(current.text()));
    addCloseButton();
}

void UpdateWindow::showUpdate(const FeedRelease& release, const ReleaseVersion& current)
{
    QString detail = tr("Corvane %1 is available — you have %2.").arg(release.version.text(), current.text());
    if (release.published.isValid()) {
        detail += QLatin1Char('\n') + tr("Published on %1.").arg(QLocale().toString(release.published.date()));
    }
    setPage(Page::updateAvailable, tr("A new version of Corvane is available"), detail);
    m_downloadPage = release.downloadPage;
    m_notes->setPlainText(tr("Loading the release notes…"));
    m_notes->show();
    auto* download = m_buttons->addButton(tr("Download…"), QDialogButtonBox::ActionRole);
    download->setObjectName(QStringLiteral("download"));
    download->setDefault(true);
    connect(download, &QPushButton::clicked, this, &UpdateWindow::openDownloadPage);
    m_buttons->addButton(tr("Later"), QDialogButtonBox::RejectRole);
}

void UpdateWindow::showReleaseNotes(const ReleaseNotes& notes)
{
    if (notes.text.trimmed().isEmpty()) {
        m_notes->setPlainText(tr("This version has no release notes."));
    } else if (notes.isHtml) {
        m_notes->setHtml(notes.text);
    } else {
        m_notes->setPlainText(notes.text);
    }
}

void UpdateWindow::showReleaseNotesFailure(const QString& description)
{
    m_notes->setPlainText(tr("The release notes could not be loaded.") + QStringLiteral("\n\n") + description);
}

void UpdateWindow::showFailure(const QString& description)
{
    setPage(Page::failed, tr("The update check failed"), description);
    addCloseButton();
}

void UpdateWindow::setPage(Page page, const QString& headline, const QString& detail)
{
    m_page = page;
    m_headline->setText(headline);
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    m_progress->hide();
    m_notes->hide();
    m_notes->clear();
    m_buttons->clear();
    m_downloadPage.clear();
}

void UpdateWindow::addCloseButton()
{
    m_buttons->addButton(QDialogButtonBox::Ok)->setDefault(true);
}

void UpdateWindow::openDownloadPage()
{
    if (QDesktopServices::openUrl(m_downloadPage)) {
        accept();
        return;
    }
    const QString hint
        = tr("No browser could be opened. The download page is %1").arg(m_downloadPage.toDisplayString());
    if (!m_detail->text().endsWith(hint)) {
        m_detail->setText(m_detail->text() + QLatin1Char('\n') + hint);
    }
}

} // namespace corvane
