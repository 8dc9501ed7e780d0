#pragma once
// The power-on, model selection and program timing dialogs.
#include <QDialog>

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
    QLineEdit *txtCmdDelay_, *txtArbDelay_, *txtVSlider_, *txtVMeasAvg_, *txtCMeasAvg_;
};

} // namespace ostrel
