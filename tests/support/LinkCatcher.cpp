#include "support/LinkCatcher.h"

#include <QDesktopServices>

namespace corvane::test {

LinkCatcher::LinkCatcher()
{
    QDesktopServices::setUrlHandler("https", this, "open");
}

LinkCatcher::~LinkCatcher()
{
    QDesktopServices::unsetUrlHandler("https");
}

void LinkCatcher::open(const QUrl& url)
{
    opened << url;
}

} // namespace corvane::test
