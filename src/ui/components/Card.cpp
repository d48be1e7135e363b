#include "ui/components/Card.h"

#include "ui/components/StyledLabel.h"
#include "ui/components/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int padding = 16;
constexpr int spacing = 12;
constexpr qreal cornerRadius = 12;
constexpr qreal fillOpacity = 0.035;
constexpr qreal borderOpacity = 0.06;
constexpr qreal titlePixels = 11;
constexpr qreal titleTracking = 0.6;

} // namespace

Card::Card(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_titleLabel(new StyledLabel(this))
{
    m_layout->setContentsMargins(padding, padding, padding, padding);
    m_layout->setSpacing(spacing);
    m_titleLabel->setSystemFont(titlePixels, QFont::DemiBold);
    m_titleLabel->setLetterSpacing(titleTracking);
    m_titleLabel->setUppercase(true);
    m_titleLabel->setTint(Theme::Colour::secondary);
    m_titleLabel->setMaximumLines(1);
    m_layout->addWidget(m_titleLabel);
    setTitle(title);
    setContent(content);
}

void Card::setTitle(const QString& title)
{
    m_title = title;
    m_titleLabel->setText(title);
    // A hidden widget takes neither space nor spacing in the layout.
    m_titleLabel->setVisible(!title.isEmpty());
    setAccessibleName(title);
}

void Card::setContent(QWidget* content)
{
    if (content == m_content) {
        return;
    }
    delete m_content;
    m_content = content;
    if (content != nullptr) {
        m_layout->addWidget(content);
    }
}

StyledLabel* Card::titleLabel() const
{
    return m_title.isEmpty() ? nullptr : m_titleLabel;
}

void Card::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
        update();
    }
}

void Card::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = Theme::colour(Theme::Colour::primary, palette());
    // The border is drawn inside the edge: a 1 px pen centred half a pixel in.
    const QRectF outline = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(outline, cornerRadius - 0.5, cornerRadius - 0.5);
    painter.fillPath(shape, Theme::withOpacity(primary, fillOpacity));
    painter.setPen(QPen(Theme::withOpacity(primary, borderOpacity), 1));
    painter.drawPath(shape);
}

} // namespace corvane
