#pragma once
// The modulation window: a voltage tab (ticked phases, any mode) and a
// frequency tab (AC modes), each with its average, depth, rate and run time,
// kept in ".mod" files and run through ModulationRun.
#include "app/WindowPrompt.h"
#include "automation/Modulation.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace ostrel {

class ModulationRun;
struct Program;

class frmModulation : public QMainWindow {
    Q_OBJECT
public:
    explicit frmModulation(Program& program, QWidget* parent = nullptr);
    ~frmModulation() override;

    // The relay changed or a run ended (read back): the main panel refills.
    void setAfterRun(std::function<void()> refill) { afterRun_ = std::move(refill); }
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    // The program closing during a run aborts it first.
    void watchForShutdown(QWidget* mainWindow);

    ModulationSettings settings() const;
    void showSettings(const ModulationSettings& settings);
    bool running() const { return run_ != nullptr; }
    QString fileName() const { return fileName_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildMenus();
    void newSettings();
    void openFile();
    void saveFile(bool choose);
    void start();
    void abort();
    // Enter or leaving an entry: a bad value is refused and the last good one shown.
    void checkEntry(int tab, QLineEdit* box);
    void showEntry(int tab, const ModulationEntry& entry);
    void setRunning(bool on);
    void showStatus(const QString& text);
    ModulationLimits limits() const;

    Program& program_;
    WindowPrompt prompt_{program_, this};
    std::function<void()> afterRun_;
    std::function<void()> help_;
    QString fileName_;
    std::array<ModulationEntry, 2> shown_; // the last good entries
    ModulationRun* run_ = nullptr;
    bool closeWhenStopped_ = false;
    QWidget* mainWindow_ = nullptr;

    QTabWidget* tabModulation_ = nullptr;
    QLineEdit* txtVnom_[2] = {};
    QLineEdit* txtModDepth_[2] = {};
    QLineEdit* txtModFreq_[2] = {};
    QLineEdit* txtRunTime_[2] = {};
    QCheckBox* chkPhase_[3] = {};
    QLabel* lblNoFreq_ = nullptr;
    QPushButton *cmdStart_, *cmdAbort_;
    QProgressBar* pgbRunTime_ = nullptr;
    QLabel* lblStatus_ = nullptr;
};

} // namespace ostrel
