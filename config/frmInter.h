#pragma once
// The interface dialog: choose and verify the transport, try commands on it.
#include "core/Prompt.h"
#include "config/InterfaceChoice.h"

#include <QDialog>
#include <QList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace ostrel {

struct Program;

class frmInter : public QDialog {
    Q_OBJECT
public:
    explicit frmInter(Program& program, QWidget* parent = nullptr);
    ~frmInter() override;

    // Help opens the guide's page for this dialog.
    std::function<void()> onHelp;

private:
    void layoutForTransport();
    InterfaceChoice choice() const;
    void verify();
    void apply();
    void cancel();
    void appendReceived(const QString& text);

    Program& program_;
    // A modal dialog: every box and file dialog while it is open belongs to it.
    PromptOwner owner_;
    QButtonGroup* optType_;
    QGroupBox *fraRS_, *fraIEEE_, *fraLanIO_, *fraSend_, *fraReceive_;
    QButtonGroup* optRS_;
    QLineEdit* txtDevice_;
    QComboBox *cmbBaud_, *cboAddress_, *cboSend_;
    QCheckBox* chkHandshake_;
    QLineEdit *txtBoardID_, *txtIPaddress_, *txtIPPort_;
    QPlainTextEdit* txtReceive_;
    QPushButton *cmdVerify_, *cmdOk_, *cmdCancel_, *cmdHelp_, *cmdSend_, *cmdClear_;
    QLabel* lblWarning_;
    bool changed_ = false;
    bool terminalUsed_ = false;
};

} // namespace ostrel
