#pragma once

#include <QWidget>

namespace corvane {

// Stands in the detail column for a screen this build does not have yet, named so nobody mistakes it
// for the screen itself.
class ScreenPlaceholder : public QWidget {
    Q_OBJECT

public:
    ScreenPlaceholder(const QString& screenName, const QString& detail, QWidget* parent = nullptr);

    QString screenName() const { return m_screenName; }

private:
    QString m_screenName;
};

} // namespace corvane
