#pragma once

#include "core/BannerEvent.h"
#include "ui/shell/MenuRow.h"

#include <QDateTime>

namespace corvane {

class StyledLabel;

// A notification the app posted, as a row of the tray panel: the listener, the title (or the body
// when the title is empty) and how long ago.
class RecentRow : public MenuRow {
    Q_OBJECT

public:
    RecentRow(BannerEvent event, const QDateTime& now, QWidget* parent = nullptr);

    // Shows another notification, or the same one older, in place.
    void showBanner(BannerEvent event, const QDateTime& now);
    const BannerEvent& bannerEvent() const { return m_event; }
    // The second line as shown.
    QString summary() const;

private:
    BannerEvent m_event;
    StyledLabel* m_listener;
    StyledLabel* m_summary;
    StyledLabel* m_age;
};

} // namespace corvane
