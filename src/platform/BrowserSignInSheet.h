#pragma once

#include <QDialog>
#include <QUrl>

class QLabel;

namespace corvane {

// The window-modal sheet shown while sign-in continues in the system browser: it says so, offers to
// open the page again and lets the user give up.
class BrowserSignInSheet : public QDialog {
    Q_OBJECT

public:
    // `browserOpened` is false when no browser could be started; the sheet then shows the address.
    BrowserSignInSheet(QUrl url, bool browserOpened, QWidget* parent);

private:
    void reopen();

    void showAddress();

    QUrl m_url;
    QLabel* m_explanation;
};

} // namespace corvane
