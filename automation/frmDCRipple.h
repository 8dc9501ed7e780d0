#pragma once
// The DC ripple test window: nominal level, equipment category and phases,
// Start and Abort, the relay buttons and the test's elapsed and total time.
// The conversation is DcRippleSession's; closing the window restores the
// source.
#include "app/WindowPrompt.h"
#include "automation/DcRippleSession.h"

#include <QMainWindow>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace ostrel {

struct Program;

class frmDCRipple : public QMainWindow {
    Q_OBJECT
public:
    explicit frmDCRipple(Program& program, QWidget* parent = nullptr);

    // The relay changed or the window closed (read back): the main panel refills.
    void setAfterRun(std::function<void()> refill) { afterRun_ = std::move(refill); }
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    void watchForShutdown(QWidget* mainWindow);

    bool running() const { return session_.running(); }
    DcRippleSession& session() { return session_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void start();
    void setRunning(bool on);
    void showProgress(double elapsedS, double totalS);
    void showStatus(const QString& text);

    Program& program_;
    WindowPrompt prompt_{program_, this};
    DcRippleSession session_;
    std::function<void()> afterRun_;
    std::function<void()> help_;
    bool closeWhenStopped_ = false;
    QWidget* mainWindow_ = nullptr;

    QButtonGroup *optVDCNom_, *optCategory_;
    QCheckBox* chkPhase_[3] = {};
    QPushButton *cmdStart_, *cmdAbort_, *cmdOutputOn_, *cmdOutputOff_;
    QProgressBar* pgbProgressTest_ = nullptr;
    QLabel* lblProgressTest_ = nullptr;
    QLabel* lblStatus_ = nullptr;
};

} // namespace ostrel
