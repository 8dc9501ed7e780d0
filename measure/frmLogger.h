#pragma once
// The data logger dialog: edits one logging settings record — file, comment,
// interval, append or overwrite, time stamp kind, phases and, for the
// harmonic record, the harmonic phase angles.
#include "app/WindowPrompt.h"
#include "measure/MeasurementState.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace ostrel {

struct Program;

inline const QString kLogFilter =
    QStringLiteral("Tab Delimited Data (*.txt)|*.TXT|CSV Data (*.csv)|*.CSV|All Files (*.*)|*.*");

class frmLogger : public QDialog {
    Q_OBJECT
public:
    frmLogger(Program& program, MeasurementState& state, LogRecord record,
              QWidget* parent = nullptr);
    void accept() override;

private:
    void browse();

    Program& program_;
    WindowPrompt prompt_{program_, this}; // boxes and dialogs of this window
    MeasurementState& state_;
    LogRecord record_;
    QLineEdit *txtLog_, *txtComment_, *txtIntvl_;
    QButtonGroup *optMode_, *optStamp_;
    QCheckBox* chkPhase_[kPhaseCount] = {};
    QCheckBox* chkHmPhs_ = nullptr;
};

} // namespace ostrel
