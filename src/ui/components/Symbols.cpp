#include "ui/components/Symbols.h"

#include "ui/components/SymbolIconEngine.h"

#include <QFile>
#include <QLoggingCategory>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <cmath>

// The resource of a static library has to be registered by name from the global namespace.
static void registerSymbolResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace corvane::Symbols {

namespace {

Q_LOGGING_CATEGORY(lcSymbols, "corvane.ui.symbols")

QString resourcePath(const QString& name)
{
    return QStringLiteral(":/corvane/symbols/%1.svg").arg(name);
}

QPixmap render(const QString& name, int size, const QColor& colour, qreal devicePixelRatio)
{
    registerSymbolResources();
    if (!QFile::exists(resourcePath(name))) {
        qCWarning(lcSymbols) << "no symbol named" << name;
        return {};
    }
    QSvgRenderer renderer(resourcePath(name));
    if (!renderer.isValid()) {
        qCWarning(lcSymbols) << "symbol" << name << "is not a valid SVG";
        return {};
    }
    const int pixels = static_cast<int>(std::lround(size * devicePixelRatio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, pixels, pixels));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace

const QStringList& names()
{
    static const QStringList all{
        QStringLiteral("antenna.radiowaves.left.and.right"),
        QStringLiteral("arrow.right"),
        QStringLiteral("arrow.triangle.2.circlepath"),
        QStringLiteral("b.square"),
        QStringLiteral("bell.and.waveform.fill"),
        QStringLiteral("bell.badge.fill"),
        QStringLiteral("bell.fill"),
        QStringLiteral("checkmark"),
        QStringLiteral("checkmark.circle.fill"),
        QStringLiteral("checkmark.shield.fill"),
        QStringLiteral("chevron.down"),
        QStringLiteral("chevron.right"),
        QStringLiteral("circle"),
        QStringLiteral("circle.dotted"),
        QStringLiteral("circle.fill"),
        QStringLiteral("clock.arrow.circlepath"),
        QStringLiteral("doc.on.doc"),
        QStringLiteral("gearshape"),
        QStringLiteral("line.3.horizontal.decrease.circle.fill"),
        QStringLiteral("pause.fill"),
        QStringLiteral("person.crop.circle"),
        QStringLiteral("play.fill"),
        QStringLiteral("plus"),
        QStringLiteral("rectangle.and.text.magnifyingglass"),
        QStringLiteral("rectangle.stack"),
        QStringLiteral("slider.horizontal.3"),
        QStringLiteral("sparkles"),
        QStringLiteral("t.square"),
        QStringLiteral("terminal"),
        QStringLiteral("trash"),
        QStringLiteral("tray"),
        QStringLiteral("tray.and.arrow.down"),
        QStringLiteral("tray.full"),
        QStringLiteral("waveform"),
    };
    return all;
}

bool contains(const QString& name)
{
    registerSymbolResources();
    return QFile::exists(resourcePath(name));
}

QPixmap pixmap(const QString& name, int size, const QColor& colour, qreal devicePixelRatio)
{
    if (size <= 0 || devicePixelRatio <= 0) {
        return {};
    }
    const QString key = QStringLiteral("corvane.symbol/%1/%2/%3/%4")
                            .arg(name)
                            .arg(size)
                            .arg(colour.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(devicePixelRatio);
    QPixmap result;
    if (QPixmapCache::find(key, &result)) {
        return result;
    }
    result = render(name, size, colour, devicePixelRatio);
    if (!result.isNull()) {
        QPixmapCache::insert(key, result);
    }
    return result;
}

QIcon icon(const QString& name, const Theme::Tint& tint)
{
    return QIcon(new SymbolIconEngine(name, tint));
}

} // namespace corvane::Symbols
