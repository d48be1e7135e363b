#include "ui/components/DropShadow.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace corvane::DropShadow {

namespace {

constexpr int boxPasses = 3;

// The shadow is treated as a Gaussian whose standard deviation is half the blur radius; three standard
// deviations out it is invisible.
qreal reach(qreal blurRadius)
{
    return 1.5 * blurRadius;
}

// One box blur of radius `radius` along a line of `count` values `stride` apart.
void blurLine(uchar* line, int count, int stride, int radius, std::vector<int>& scratch)
{
    scratch.assign(static_cast<size_t>(count), 0);
    for (int index = 0; index < count; ++index) {
        scratch[static_cast<size_t>(index)] = line[static_cast<ptrdiff_t>(index) * stride];
    }
    const int width = 2 * radius + 1;
    int sum = 0;
    for (int index = -radius; index <= radius; ++index) {
        if (index >= 0 && index < count) {
            sum += scratch[static_cast<size_t>(index)];
        }
    }
    for (int index = 0; index < count; ++index) {
        line[static_cast<ptrdiff_t>(index) * stride] = static_cast<uchar>(sum / width);
        const int leaving = index - radius;
        const int entering = index + radius + 1;
        if (leaving >= 0) {
            sum -= scratch[static_cast<size_t>(leaving)];
        }
        if (entering < count) {
            sum += scratch[static_cast<size_t>(entering)];
        }
    }
}

void blur(QImage& alpha, int radius)
{
    std::vector<int> scratch;
    for (int pass = 0; pass < boxPasses; ++pass) {
        for (int row = 0; row < alpha.height(); ++row) {
            blurLine(alpha.scanLine(row), alpha.width(), 1, radius, scratch);
        }
        for (int column = 0; column < alpha.width(); ++column) {
            blurLine(alpha.bits() + column, alpha.height(), static_cast<int>(alpha.bytesPerLine()), radius, scratch);
        }
    }
}

QPixmap render(QSizeF size, qreal cornerRadius, const QColor& colour, qreal blurRadius, qreal ratio)
{
    const qreal margin = reach(blurRadius);
    const QSize pixels = ((size + QSizeF(2 * margin, 2 * margin)) * ratio).toSize();
    QImage alpha(pixels, QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(ratio, ratio);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(QPointF(margin, margin), size), cornerRadius, cornerRadius);
        painter.fillPath(shape, Qt::black);
    }
    // Three passes of a box as wide as two standard deviations approximate the Gaussian.
    blur(alpha, std::max(1, static_cast<int>(std::lround(blurRadius / 2 * ratio))));
    QImage tinted(pixels, QImage::Format_ARGB32_Premultiplied);
    tinted.fill(Qt::transparent);
    {
        QPainter painter(&tinted);
        painter.drawImage(0, 0, alpha);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), colour);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(tinted));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

QMarginsF extent(qreal blurRadius, QPointF offset)
{
    // One and a half standard deviations out, less than a tenth of the colour's opacity is left.
    const qreal margin = 0.75 * blurRadius;
    return {std::max(0.0, margin - offset.x()), std::max(0.0, margin - offset.y()), std::max(0.0, margin + offset.x()),
        std::max(0.0, margin + offset.y())};
}

void paint(
    QPainter& painter, const QRectF& shape, qreal cornerRadius, const QColor& colour, qreal blurRadius, QPointF offset)
{
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const QString key = QStringLiteral("corvane.shadow/%1x%2/%3/%4/%5/%6")
                            .arg(shape.width())
                            .arg(shape.height())
                            .arg(cornerRadius)
                            .arg(colour.rgba(), 8, 16, QLatin1Char('0'))
                            .arg(blurRadius)
                            .arg(ratio);
    QPixmap shadow;
    if (!QPixmapCache::find(key, &shadow)) {
        shadow = render(shape.size(), cornerRadius, colour, blurRadius, ratio);
        QPixmapCache::insert(key, shadow);
    }
    const qreal margin = reach(blurRadius);
    painter.drawPixmap(shape.topLeft() + offset - QPointF(margin, margin), shadow);
}

} // namespace corvane::DropShadow
