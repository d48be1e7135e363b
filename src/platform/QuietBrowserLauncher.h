#pragma once

#include <QObject>
#include <QUrl>

namespace corvane {

// Opens web pages for QDesktopServices::openUrl through xdg-open, with the browser's output going
// nowhere: started by the desktop's own launcher, a browser writes its diagnostics into this program's
// terminal and journal. Handles http and https while it exists, when xdg-open is installed; otherwise
// it leaves QDesktopServices as it was.
class QuietBrowserLauncher : public QObject {
    Q_OBJECT

public:
    explicit QuietBrowserLauncher(QObject* parent = nullptr);
    ~QuietBrowserLauncher() override;

    Q_INVOKABLE void open(const QUrl& url);

private:
    QString m_opener;
};

} // namespace corvane
