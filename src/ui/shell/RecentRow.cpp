#include "ui/shell/RecentRow.h"

#include "ui/components/RelativeTime.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolTile.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvane {

RecentRow::RecentRow(BannerEvent event, const QDateTime& now, QWidget* parent)
    : MenuRow(parent, 4), m_listener(new StyledLabel({}, Theme::TextStyle::body, Theme::Colour::primary, this)),
      m_summary(new StyledLabel({}, Theme::TextStyle::body, Theme::Colour::secondary, this)),
      m_age(new StyledLabel({}, Theme::TextStyle::body, Theme::Colour::tertiary, this))
{
    auto* tile = new SymbolTile(QStringLiteral("bell.fill"), this);
    tile->setFill(SymbolTile::Fill::tinted);
    tile->setMetrics(Theme::scaled(16), Theme::scaled(4), 8);

    m_listener->setSystemFont(12, QFont::Medium);
    m_summary->setSystemFont(11);
    for (auto* label : {m_listener, m_summary}) {
        label->setMaximumLines(1);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    text->addWidget(m_listener);
    text->addWidget(m_summary);
    m_age->setSystemFont(11);

    rowLayout()->addWidget(tile);
    rowLayout()->addLayout(text, 1);
    rowLayout()->addSpacing(4);
    rowLayout()->addWidget(m_age);
    showBanner(std::move(event), now);
}

void RecentRow::showBanner(BannerEvent event, const QDateTime& now)
{
    m_event = std::move(event);
    const QString age = RelativeTime::shortFrom(m_event.at, now);
    m_listener->setText(m_event.listenerName);
    m_summary->setText(summary());
    m_age->setText(age);
    setText(m_event.listenerName);
    setAccessibleName(QStringLiteral("%1: %2, %3").arg(m_event.listenerName, summary(), age));
}

QString RecentRow::summary() const
{
    return m_event.title.isEmpty() ? m_event.body : m_event.title;
}

} // namespace corvane
