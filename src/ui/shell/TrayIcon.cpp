#include "ui/shell/TrayIcon.h"

#include <QPainter>
#include <QSvgRenderer>

// The resource of a static library has to be registered by name from the global namespace.
static void registerTrayResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(tray);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace corvane::TrayIcon {

QString name(bool signedIn, bool connected, bool paused)
{
    if (!signedIn) {
        return QStringLiteral("signed-out");
    }
    if (!connected) {
        return QStringLiteral("offline");
    }
    return paused ? QStringLiteral("paused") : QStringLiteral("connected");
}

QIcon icon(const QString& name)
{
    registerTrayResources();
    QSvgRenderer renderer(QStringLiteral(":/corvane/tray/%1.svg").arg(name));
    if (!renderer.isValid()) {
        return {};
    }
    // The sizes status notifier hosts and XEmbed trays ask for, at one and at two pixels per point.
    QIcon result;
    for (const int side : {16, 22, 24, 32, 44, 48, 64}) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.end();
        result.addPixmap(QPixmap::fromImage(std::move(image)));
    }
    return result;
}

} // namespace corvane::TrayIcon
