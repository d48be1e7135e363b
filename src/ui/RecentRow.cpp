#include "ui/RecentRow.h"

#include "ui/components/RelativeTime.h"
#include "ui/components/StyledLabel.h"
#include "ui/components/SymbolTile.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace corvane {

RecentRow::RecentRow(BannerEvent event, const QDateTime& now, QWidget* parent)
    : MenuRow(parent, 4), m_event(std::move(event))
{
    auto* tile = new SymbolTile(QStringLiteral("bell.fill"), this);
    tile->setFill(SymbolTile::Fill::tinted);
    tile->setMetrics(Theme::scaled(16), Theme::scaled(4), 8);

    auto* listener = new StyledLabel(m_event.listenerName, Theme::TextStyle::body, Theme::Colour::primary, this);
    listener->setSystemFont(12, QFont::Medium);
    listener->setMaximumLines(1);
    listener->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* second = new StyledLabel(summary(), Theme::TextStyle::body, Theme::Colour::secondary, this);
    second->setSystemFont(11);
    second->setMaximumLines(1);
    second->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    text->addWidget(listener);
    text->addWidget(second);

    const QString age = RelativeTime::shortFrom(m_event.at, now);
    auto* time = new StyledLabel(age, Theme::TextStyle::body, Theme::Colour::tertiary, this);
    time->setSystemFont(11);

    rowLayout()->addWidget(tile);
    rowLayout()->addLayout(text, 1);
    rowLayout()->addSpacing(4);
    rowLayout()->addWidget(time);
    setText(m_event.listenerName);
    setAccessibleName(QStringLiteral("%1: %2, %3").arg(m_event.listenerName, summary(), age));
}

QString RecentRow::summary() const
{
    return m_event.title.isEmpty() ? m_event.body : m_event.title;
}

} // namespace corvane
