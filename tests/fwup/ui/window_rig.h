#pragma once

#include "fwup/ui/main_window.h"
#include "tests/support/coordination/coordination_fakes.h"

#include <QLabel>
#include <QStackedWidget>
#include <QString>
#include <QWidget>

#include <optional>

namespace fwup::test {

// The fakes of the state machine's collaborators with room for a window on the machine, and the
// look-ups of the window's widgets by object name.
struct WindowRigBase : coordtest::Rig {
    std::optional<MainWindow> window;

    template <typename T = QWidget>
    T* find(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget) {
            qFatal("no widget %s", name);
        }
        return widget;
    }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    QString page() const { return find<QStackedWidget>("stackedWidget")->currentWidget()->objectName(); }
};

} // namespace fwup::test
