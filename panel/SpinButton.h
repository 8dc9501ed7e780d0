#pragma once
// A pair of small up/down arrows beside an entry box that step its value.
#include <QWidget>

namespace ostrel {

class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);

Q_SIGNALS:
    // +1 for up, -1 for down.
    void stepped(int direction);
};

} // namespace ostrel
