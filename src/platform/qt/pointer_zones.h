#pragma once
// Which pointer handler a mouse move belongs to. Qt hands a move that a button or a label does not
// take on to its parent, so the widget that received an event says nothing about where the pointer
// is: the zone is that of the control under the pointer. Widgets inside a control (a list's
// viewport) belong to that control; a control without a zone (a label, a check box) has no handler.
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <functional>
#include <map>

namespace tess {

class PointerZones : public QObject {
public:
    enum Zone { kNone, kButton, kBackground };

    // Every mouse move or entry inside `window` reaches `onMove` with the zone under the pointer.
    template <class OnMove>
    PointerZones(QWidget* window, OnMove onMove) : window_(window), onMove_(std::move(onMove)) {
        zones_[window] = kBackground;
    }

    // Puts `widget` (and every widget inside it without a zone of its own) in `zone`, and watches
    // it so that moves over it are seen even where Qt does not pass them on.
    void add(QWidget* widget, Zone zone);
    Zone zoneAt(const QPoint& globalPosition) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<void(Zone)> onMove_;
    std::map<const QWidget*, Zone> zones_;
};

}  // namespace tess
