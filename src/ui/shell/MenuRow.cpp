#include "ui/shell/MenuRow.h"

#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolView.h"
#include "ui/components/Theme.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

MenuRow::MenuRow(QWidget* parent, int verticalPadding) : QAbstractButton(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(
        Theme::scaled(8), Theme::scaled(verticalPadding), Theme::scaled(8), Theme::scaled(verticalPadding));
    m_layout->setSpacing(8);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

MenuRow::MenuRow(const Content& content, QWidget* parent) : MenuRow(parent, 5)
{
    if (content.leading) {
        m_layout->addWidget(content.leading);
    } else if (!content.icon.isEmpty()) {
        m_icon = new SymbolView(content.icon, 13, Theme::Colour::primary, this);
        m_icon->setBoxSize(QSize(Theme::scaled(16), Theme::scaled(16)));
        m_layout->addWidget(m_icon);
    } else {
        auto* blank = new QWidget(this);
        blank->setFixedSize(Theme::scaled(16), Theme::scaled(16));
        m_layout->addWidget(blank);
    }
    m_title = new StyledLabel(content.title, Theme::TextStyle::body, Theme::Colour::primary, this);
    m_title->setSystemFont(13);
    m_title->setMaximumLines(1);
    m_layout->addWidget(m_title);
    m_layout->addStretch(1);
    m_layout->addSpacing(4);
    if (content.trailing) {
        m_layout->addWidget(content.trailing);
    }
    if (!content.shortcut.isEmpty()) {
        auto* shortcut = new StyledLabel(content.shortcut, Theme::TextStyle::body, Theme::Colour::secondary, this);
        shortcut->setSystemFont(11);
        m_layout->addWidget(shortcut);
    }
    if (content.chevron) {
        m_layout->addWidget(new SymbolView(QStringLiteral("chevron.right"), 10, Theme::Colour::tertiary, this));
    }
    setText(content.title);
    setAccessibleName(content.title);
}

void MenuRow::setSymbol(const QString& symbol)
{
    if (m_icon) {
        m_icon->setSymbol(symbol);
    }
}

void MenuRow::setTitle(const QString& title)
{
    if (m_title) {
        m_title->setText(title);
    }
    setText(title);
    setAccessibleName(title);
}

QSize MenuRow::sizeHint() const
{
    return m_layout->sizeHint();
}

// Return and Enter act like Space; the arrow keys move between the panel's rows.
void MenuRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        click();
        return;
    case Qt::Key_Down:
        focusNextChild();
        return;
    case Qt::Key_Up:
        focusPreviousChild();
        return;
    default:
        QAbstractButton::keyPressEvent(event);
    }
}

void MenuRow::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void MenuRow::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void MenuRow::paintEvent(QPaintEvent* /*event*/)
{
    if (!m_hovered && !hasFocus()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath background;
    const qreal radius = Theme::scaled(5);
    background.addRoundedRect(QRectF(rect()), radius, radius);
    painter.fillPath(background, Theme::withOpacity(Theme::colour(Theme::Colour::accent, palette()), 0.15));
}

} // namespace corvane
