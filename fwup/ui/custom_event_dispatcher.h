#pragma once

#include <QMap>
#include <QObject>

namespace fwup {

// The application's event filter: hands every event of the process to the registered objects in
// ascending key order, and stops at the first that consumes it.
class CustomEventDispatcher : public QObject {
    Q_OBJECT

public:
    static CustomEventDispatcher* instance();

    // A key holds one object; registering under a used key replaces the object there. The object
    // leaves every key it holds when it is destroyed.
    void addEventFilter(QObject* object, int key);
    void removeEventFilter(QObject* object);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CustomEventDispatcher() = default;

    QMap<int, QObject*> filters_;
};

} // namespace fwup
