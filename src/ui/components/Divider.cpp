#include "ui/components/Divider.h"

#include "ui/components/Theme.h"

#include <QEvent>
#include <QPainter>

namespace corvane {

namespace {

constexpr qreal lineOpacity = 0.12;

} // namespace

Divider::Divider(int verticalPadding, QWidget* parent) : QWidget(parent), m_verticalPadding(verticalPadding)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Divider::setVerticalPadding(int padding)
{
    m_verticalPadding = padding;
    updateGeometry();
    update();
}

void Divider::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void Divider::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QColor line = Theme::withOpacity(Theme::colour(Theme::Colour::primary, palette()), lineOpacity);
    painter.fillRect(QRect(0, height() / 2, width(), 1), line);
}

} // namespace corvane
