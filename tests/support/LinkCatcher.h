#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace corvane::test {

// Stands in for the desktop's browser while it exists: records the https links the app asks the
// desktop to open.
class LinkCatcher : public QObject {
    Q_OBJECT

public:
    LinkCatcher() { QDesktopServices::setUrlHandler("https", this, "open"); }
    ~LinkCatcher() override { QDesktopServices::unsetUrlHandler("https"); }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

} // namespace corvane::test
