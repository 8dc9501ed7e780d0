#pragma once
// The source configuration dialog: synchronisation, trigger output, relay
// hold-off, remote inhibit, distortion mode, array format, user limits.
#include "core/Prompt.h"
#include "config/SourceConfiguration.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace ostrel {

class frmConfig : public QDialog {
    Q_OBJECT
public:
    explicit frmConfig(Program& program, QWidget* parent = nullptr);
    void done(int result) override;

private:
    bool connected() const;

    Program& program_;
    // A modal dialog: every box and file dialog while it is open belongs to it.
    PromptOwner owner_;
    QButtonGroup *optSync_, *optTrigMode_, *optRemInhibit_, *optTHDMode_;
    QCheckBox *chkAsciiMode_, *chkAllowAC_, *chkAllowDC_, *chkAllowACDC_;
    QLineEdit* txtRelayHoldoff_;
    QList<QLineEdit*> txtLimit_;
    int syncAtOpen_ = 0, trigAtOpen_ = 0;
    QString holdOffAtOpen_;
};

} // namespace ostrel
