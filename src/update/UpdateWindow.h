#pragma once

#include "update/FeedRelease.h"
#include "update/ReleaseVersion.h"
#include "update/UpdateCheck.h"

#include <QDialog>
#include <QUrl>

class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QTextBrowser;

namespace corvane {

// The one window of an update check: its progress, then its answer. Not modal. Closing it in any way
// (Cancel, Later, OK, Escape, the title bar) ends with finished(); the update check takes that as
// "stop". Nothing here touches the network, except that "Download…" hands the download page, and a
// click on an http or https link of the notes that link, to the desktop's browser; links of any other
// scheme do nothing.
class UpdateWindow : public QDialog {
    Q_OBJECT

public:
    enum class Page { checking, notConfigured, upToDate, updateAvailable, failed };

    explicit UpdateWindow(QWidget* parent = nullptr);

    void showChecking();
    // This build leaves updates to the distribution's package manager.
    void showNotConfigured();
    void showUpToDate(const ReleaseVersion& current);
    // The release with its details and a "Download…" button; its notes follow with showReleaseNotes().
    void showUpdate(const FeedRelease& release, const ReleaseVersion& current);
    void showReleaseNotes(const ReleaseNotes& notes);
    void showReleaseNotesFailure(const QString& description);
    void showFailure(const QString& description);

    Page page() const { return m_page; }

private:
    void setPage(Page page, const QString& headline, const QString& detail);
    void addCloseButton();
    void openDownloadPage();

    Page m_page = Page::checking;
    QUrl m_downloadPage;
    QLabel* m_headline;
    QLabel* m_detail;
    QProgressBar* m_progress;
    QTextBrowser* m_notes;
    QDialogButtonBox* m_buttons;
};

} // namespace corvane
