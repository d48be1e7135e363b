#include "ui/components/ThemeNotifier.h"

#include <QCoreApplication>
#include <QEvent>

namespace corvane {

ThemeNotifier* ThemeNotifier::instance()
{
    QCoreApplication* application = QCoreApplication::instance();
    auto* notifier = application->findChild<ThemeNotifier*>(QString(), Qt::FindDirectChildrenOnly);
    if (notifier == nullptr) {
        notifier = new ThemeNotifier(application);
    }
    return notifier;
}

ThemeNotifier::ThemeNotifier(QObject* application) : QObject(application)
{
    application->installEventFilter(this);
}

bool ThemeNotifier::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ApplicationFontChange && watched == parent()) {
        emit fontChanged();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace corvane
