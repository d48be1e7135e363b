#include "ui/components/ScreenHeader.h"

#include "ui/components/StyledLabel.h"
#include "ui/components/Theme.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int horizontalPadding = 24;
constexpr int topPadding = 20;
constexpr int bottomPadding = 16;
constexpr int textSpacing = 2;
constexpr qreal titlePixels = 22;

// Where the first baseline of `widget` lies below its top, assuming its text is centred vertically
// (labels, buttons and most controls draw it so).
int centredBaseline(const QWidget& widget)
{
    const QFontMetrics metrics(widget.font());
    const int height = widget.sizeHint().height();
    return (height - metrics.height()) / 2 + metrics.ascent();
}

} // namespace

ScreenHeader::ScreenHeader(const QString& title, const QString& subtitle, QWidget* trailing, QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this)), m_textColumn(new QVBoxLayout),
      m_trailingColumn(new QVBoxLayout), m_titleLabel(new StyledLabel(this)), m_subtitleLabel(new StyledLabel(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    m_layout->setContentsMargins(horizontalPadding, topPadding, horizontalPadding, bottomPadding);
    m_layout->setSpacing(horizontalPadding / 2);
    m_textColumn->setSpacing(textSpacing);
    m_titleLabel->setSystemFont(titlePixels, QFont::DemiBold);
    m_titleLabel->setMaximumLines(1);
    m_subtitleLabel->setTextStyle(Theme::TextStyle::callout);
    m_subtitleLabel->setTint(Theme::Colour::secondary);
    m_subtitleLabel->setMaximumLines(2);
    m_textColumn->addWidget(m_titleLabel);
    m_textColumn->addWidget(m_subtitleLabel);
    m_layout->addLayout(m_textColumn, 1);
    m_trailingColumn->setContentsMargins(0, 0, 0, 0);
    m_layout->addLayout(m_trailingColumn);
    m_layout->setAlignment(m_textColumn, Qt::AlignTop);
    m_layout->setAlignment(m_trailingColumn, Qt::AlignTop);
    setTitle(title);
    setSubtitle(subtitle);
    setTrailing(trailing);
}

QString ScreenHeader::title() const
{
    return m_titleLabel->text();
}

void ScreenHeader::setTitle(const QString& title)
{
    m_titleLabel->setText(title);
    setAccessibleName(title);
}

QString ScreenHeader::subtitle() const
{
    return m_subtitleLabel->text();
}

void ScreenHeader::setSubtitle(const QString& subtitle)
{
    m_subtitleLabel->setText(subtitle);
    m_subtitleLabel->setVisible(!subtitle.isEmpty());
    setAccessibleDescription(subtitle);
}

void ScreenHeader::setTrailing(QWidget* trailing)
{
    if (trailing == m_trailing) {
        return;
    }
    delete m_trailing;
    m_trailing = trailing;
    if (trailing != nullptr) {
        m_trailingColumn->addWidget(trailing);
    }
    alignBaselines();
}

bool ScreenHeader::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) {
        alignBaselines();
    }
    return QWidget::event(event);
}

// Moves the trailing widget down, or the text down, until the trailing widget's text baseline and the
// title's baseline are level.
void ScreenHeader::alignBaselines()
{
    int trailingOffset = 0;
    if (m_trailing != nullptr) {
        trailingOffset = centredBaseline(*m_titleLabel) - centredBaseline(*m_trailing);
    }
    const auto trailingTop = std::max(0, trailingOffset);
    const auto textTop = std::max(0, -trailingOffset);
    if (m_trailingColumn->contentsMargins().top() != trailingTop) {
        m_trailingColumn->setContentsMargins(0, trailingTop, 0, 0);
    }
    if (m_textColumn->contentsMargins().top() != textTop) {
        m_textColumn->setContentsMargins(0, textTop, 0, 0);
    }
}

} // namespace corvane
