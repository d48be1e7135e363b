#pragma once

#include "core/BannerEvent.h"
#include "ui/MenuRow.h"

#include <QDateTime>

namespace corvane {

// A notification the app posted, as a row of the tray panel: the listener, the title (or the body
// when the title is empty) and how long ago.
class RecentRow : public MenuRow {
    Q_OBJECT

public:
    RecentRow(BannerEvent event, const QDateTime& now, QWidget* parent = nullptr);

    const BannerEvent& bannerEvent() const { return m_event; }
    // The second line as shown.
    QString summary() const;

private:
    BannerEvent m_event;
};

} // namespace corvane
