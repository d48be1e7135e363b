#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

namespace corvane::test {

// Stands in for the desktop's browser while it exists: records the https links the app asks the
// desktop to open.
class LinkCatcher : public QObject {
    Q_OBJECT

public:
    LinkCatcher();
    ~LinkCatcher() override;

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url);
};

} // namespace corvane::test
