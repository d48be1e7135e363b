#pragma once

#include <QObject>

namespace corvane {

// Tells the components when the desktop's font changes. Qt announces a new application font only to
// top-level windows and to widgets without a font of their own, while every component sets its Theme
// font explicitly; so one watcher on the application forwards the change to those that connect.
class ThemeNotifier : public QObject {
    Q_OBJECT

public:
    // The application's watcher, created on first use as a child of the application object.
    static ThemeNotifier* instance();

signals:
    void fontChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ThemeNotifier(QObject* application);
};

} // namespace corvane
