#include "fwup/ui/custom_event_dispatcher.h"

namespace fwup {

CustomEventDispatcher* CustomEventDispatcher::instance() {
    static CustomEventDispatcher dispatcher;
    return &dispatcher;
}

void CustomEventDispatcher::addEventFilter(QObject* object, int key) {
    filters_.insert(key, object);
    connect(object, &QObject::destroyed, this, &CustomEventDispatcher::removeEventFilter);
}

void CustomEventDispatcher::removeEventFilter(QObject* object) {
    const QList<int> keys = filters_.keys(object);
    for (int key : keys) {
        filters_.remove(key);
    }
}

bool CustomEventDispatcher::eventFilter(QObject* watched, QEvent* event) {
    // A filter may register, replace or destroy others while it runs (a dialog it opens, a widget it
    // deletes), so walk the keys as they were and look each one up again before calling it. The
    // snapshot shares the map's data, so the walk copies nothing unless a filter changes the map.
    const QMap<int, QObject*> snapshot = filters_;
    for (auto key = snapshot.keyBegin(); key != snapshot.keyEnd(); ++key) {
        const auto it = filters_.constFind(*key);
        if (it != filters_.constEnd() && it.value()->eventFilter(watched, event)) {
            return true;
        }
    }
    return false;
}

} // namespace fwup
