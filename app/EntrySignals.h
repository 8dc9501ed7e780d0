#pragma once
// A line edit that loses focus while its window is destroyed still reports
// editingFinished; by then the window is only a QWidget and its handlers
// must not hear it. Windows whose entries act on editingFinished call this
// first in their destructors.
#include <QLineEdit>
#include <QObject>

namespace ostrel {

inline void DisconnectEntries(QObject& window) {
    for (QLineEdit* entry : window.findChildren<QLineEdit*>())
        QObject::disconnect(entry, nullptr, &window, nullptr);
}

} // namespace ostrel
