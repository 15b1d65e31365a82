#include "platform/qt/pointer_zones.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>

namespace tess {

void PointerZones::add(QWidget* widget, Zone zone) {
    zones_[widget] = zone;
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

PointerZones::Zone PointerZones::zoneAt(const QPoint& globalPosition) const {
    const QWidget* under = window_->childAt(window_->mapFromGlobal(globalPosition));
    for (const QWidget* w = under; w && w != window_; w = w->parentWidget())
        if (auto it = zones_.find(w); it != zones_.end()) return it->second;
    // Not inside any control: the window's own background, unless the pointer is outside it.
    return window_->rect().contains(window_->mapFromGlobal(globalPosition)) ? kBackground : kNone;
}

bool PointerZones::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove)
        onMove_(zoneAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()));
    else if (event->type() == QEvent::Enter)
        onMove_(zoneAt(static_cast<QEnterEvent*>(event)->globalPosition().toPoint()));
    return QObject::eventFilter(watched, event);
}

}  // namespace tess
