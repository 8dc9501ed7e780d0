#pragma once
// The function library: fills the waveform buffer with a standard shape.
#include "waveforms/FunctionLibrary.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace ostrel {

struct Program;

class frmLibrary : public QDialog {
    Q_OBJECT
public:
    explicit frmLibrary(Program& program, QWidget* parent = nullptr);
    ShapeSettings settings() const;

private:
    QLineEdit* entry(const char* name, const char* spin, int low, int high, int initial);
    void ok();

    Program& program_;
    QButtonGroup* optStd_ = nullptr;
    QComboBox* cmbMult_ = nullptr;
    QLineEdit *txtSine_, *txtNoise_, *txtClipped_, *txtAngle_, *txtWidth_, *txtLevel_;
};

} // namespace ostrel
