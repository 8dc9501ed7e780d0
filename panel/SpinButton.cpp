#include "panel/SpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace ostrel {

SpinButton::SpinButton(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int direction : {1, -1}) {
        auto* b = new QToolButton(this);
        b->setObjectName(direction > 0 ? QStringLiteral("up") : QStringLiteral("down"));
        b->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
        connect(b, &QToolButton::clicked, this, [this, direction] { Q_EMIT stepped(direction); });
        layout->addWidget(b);
    }
}

} // namespace ostrel
