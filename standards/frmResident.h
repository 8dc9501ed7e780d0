#pragma once
// The window of a resident test option (frmMS704, frmMil704, frmRTCA): the
// option's set-up choices, the test check lists by group, Start, Abort and
// Skip, the countdown and the schedule. The run is ResidentRun's; closing the
// window mid-run aborts first.
#include "app/WindowPrompt.h"
#include "standards/ResidentFiles.h"
#include "standards/ResidentRun.h"

#include <QMainWindow>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace ostrel {

struct Program;

class frmResident : public QMainWindow {
    Q_OBJECT
public:
    frmResident(Program& program, const ResidentOption& option, QWidget* parent = nullptr);

    const ResidentOption& option() const { return option_; }
    bool running() const { return run_.running(); }
    ResidentRun& run() { return run_; }
    // The set-up as the controls show it.
    ResidentSetup setup() const;
    void applySetup(const ResidentSetup& setup);
    bool openFile(const QString& path);
    bool saveFile(const QString& path);
    // Start: the whole run, processing events until it ends.
    ResidentOutcome start();
    const std::optional<ResidentOutcome>& lastOutcome() const { return last_; }
    // Reads the option's revision, group and frequency from the source.
    void readOptionSettings();
    void report();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void fillFrequencies();
    void setRunning(bool on);
    void showStatus(const QString& text);
    void selectAll(bool on);
    void openChosen();
    void saveChosen();

    Program& program_;
    const ResidentOption& option_;
    WindowPrompt prompt_{program_, this};
    ResidentRun run_;
    ResidentSetup kept_; // what the controls do not show (site, user data, kept sections)
    std::optional<ResidentOutcome> last_;
    QString filePath_;
    bool closeWhenStopped_ = false;

    QComboBox *cmbRevision_, *cmbGroup_, *cmbFrequency_, *cmbPhase_;
    QCheckBox* chkVarFreqRepeat_ = nullptr;
    QList<QCheckBox*> tests_;
    QList<QGroupBox*> boxes_;
    QPushButton *cmdSelect_, *cmdUnselect_, *cmdStart_, *cmdAbort_, *cmdSkip_, *cmdReport_;
    QProgressBar* pgbCountdown_ = nullptr;
    QLabel *lblCountdown_, *lblSchedule_, *lblFNom_, *lblRunState_, *lblStatus_;
};

} // namespace ostrel
