#include "ui/components/WheelHandoff.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

namespace corvane {
namespace {

// Whether `wheel` moves `view`, choosing the scroll bar as QAbstractScrollArea does.
bool moves(const QAbstractScrollArea& view, const QWheelEvent& wheel)
{
    const QPoint angle = wheel.angleDelta();
    const bool horizontal = std::abs(angle.x()) > std::abs(angle.y());
    const auto policy = horizontal ? view.horizontalScrollBarPolicy() : view.verticalScrollBarPolicy();
    if (policy == Qt::ScrollBarAlwaysOff) {
        return false;
    }
    const QScrollBar* bar = horizontal ? view.horizontalScrollBar() : view.verticalScrollBar();
    // A turn away from the user (positive) scrolls towards the start.
    const int towardsStart = (horizontal ? angle.x() : angle.y()) * (wheel.inverted() ? -1 : 1);
    return towardsStart > 0 ? bar->value() > bar->minimum() : towardsStart < 0 && bar->value() < bar->maximum();
}

QAbstractScrollArea* enclosingScrollArea(const QWidget& view)
{
    for (QWidget* ancestor = view.parentWidget(); ancestor != nullptr && !ancestor->isWindow();
        ancestor = ancestor->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(ancestor->parentWidget());
            area != nullptr && area->viewport() == ancestor) {
            return area;
        }
    }
    return nullptr;
}

} // namespace

WheelHandoff::WheelHandoff(QAbstractScrollArea* view) : QObject(view), m_view(view)
{
}

void WheelHandoff::install(QAbstractScrollArea* view)
{
    view->viewport()->installEventFilter(new WheelHandoff(view));
}

bool WheelHandoff::eventFilter(QObject* /*watched*/, QEvent* event)
{
    if (event->type() != QEvent::Wheel) {
        return false;
    }
    const auto& wheel = static_cast<const QWheelEvent&>(*event);
    if (wheel.angleDelta().isNull() || moves(*m_view, wheel)) {
        return false;
    }
    QAbstractScrollArea* page = enclosingScrollArea(*m_view);
    if (page == nullptr) {
        return false;
    }
    QWidget* target = page->viewport();
    QWheelEvent passed(target->mapFromGlobal(wheel.globalPosition()), wheel.globalPosition(), wheel.pixelDelta(),
        wheel.angleDelta(), wheel.buttons(), wheel.modifiers(), wheel.phase(), wheel.inverted(), wheel.source(),
        wheel.pointingDevice());
    QCoreApplication::sendEvent(target, &passed);
    return true;
}

} // namespace corvane
