#pragma once
// Controls by their documented names: one name per control, and control
// arrays whose members share a name and carry their index.
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QString>
#include <QVBoxLayout>

namespace ostrel {

template <class W>
W* Named(W* w, const QString& name, int index = -1) {
    w->setObjectName(name);
    if (index >= 0) w->setProperty("index", index);
    return w;
}

// A control array of option buttons sharing one name, indexed from 0.
inline QButtonGroup* OptionArray(QWidget* parent, const QString& name, const QStringList& texts,
                                 QList<QRadioButton*>* buttons = nullptr) {
    auto* group = new QButtonGroup(parent);
    for (int i = 0; i < texts.size(); ++i) {
        auto* b = Named(new QRadioButton(texts[i], parent), name, i);
        group->addButton(b, i);
        if (buttons) buttons->append(b);
    }
    return group;
}

// A titled box holding an option array's buttons one under another.
inline QGroupBox* OptionBox(QWidget* parent, const QString& title, QButtonGroup* group) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    for (QAbstractButton* b : group->buttons()) {
        b->setParent(box);
        layout->addWidget(b);
    }
    return box;
}

} // namespace ostrel
