#pragma once
// The power-on, model selection and program timing dialogs.
#include "core/Prompt.h"

#include <QDialog>

#include <vector>

class QButtonGroup;
class QLineEdit;

namespace ostrel {

struct Program;

class frmInit : public QDialog {
    Q_OBJECT
public:
    explicit frmInit(Program& program, QWidget* parent = nullptr);
    void accept() override;

private:
    Program& program_;
    // A modal dialog: every box and file dialog while it is open belongs to it.
    PromptOwner owner_;
    QButtonGroup *optPon_, *optClockMode_;
};

class frmModels : public QDialog {
    Q_OBJECT
public:
    explicit frmModels(Program& program, QWidget* parent = nullptr);
    void accept() override;
    bool modelChanged() const { return changed_; }

private:
    Program& program_;
    // A modal dialog: every box and file dialog while it is open belongs to it.
    PromptOwner owner_;
    QButtonGroup* optModel_;
    bool changed_ = false;
};

class frmGuiSettings : public QDialog {
    Q_OBJECT
public:
    explicit frmGuiSettings(Program& program, QWidget* parent = nullptr);
    void accept() override;

private:
    Program& program_;
    // A modal dialog: every box and file dialog while it is open belongs to it.
    PromptOwner owner_;
    QLineEdit *txtCmdDelay_, *txtArbDelay_, *txtVSlider_, *txtVMeasAvg_, *txtCMeasAvg_;
    struct Entry {
        QLineEdit* box;
        int* value; // the setting the box edits
        int min, max;
    };
    std::vector<Entry> entries_;
};

} // namespace ostrel
