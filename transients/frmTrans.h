#pragma once
// The transient list window: a table of steps (drops, steps, surges and
// sags, sweeps, delays) with its run settings, run on the source as list
// transients; ".tls" files, the table kept between runs of the program, a
// printed report, and the measurement window to watch the output.
#include "app/WindowPrompt.h"
#include "transients/StepTable.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QScrollBar;
class QTableWidget;

namespace ostrel {

struct Program;
class StepTableRun;

class frmTrans : public QMainWindow {
    Q_OBJECT
public:
    // Fills the table from the auto-saved one when there is one.
    explicit frmTrans(Program& program, QWidget* parent = nullptr);
    ~frmTrans() override;

    // The standard measurement window, opened (or raised) for "Monitor output.".
    void setMonitorWindow(std::function<QWidget*()> open) { openMonitor_ = std::move(open); }
    // After a run: the main panel shows what the readback found.
    void setAfterRun(std::function<void()> afterRun) { afterRun_ = std::move(afterRun); }
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    // Closing `mainWindow` ends the program: a run in progress is stopped and
    // the window closes once it has unwound.
    void watchForShutdown(QWidget* mainWindow);

    // The table and settings as the controls hold them, numbers with ".".
    StepTable table() const;
    void showTable(const StepTable& table);
    bool running() const { return run_ != nullptr; }
    // The report on the printer's pages.
    void printTo(QPrinter& printer);
    // The report's lines above the table: title, date, data mode, comment.
    QStringList reportHeader() const;

    static QString autoSavePath(const Program& program);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    QWidget* buildSettings(QWidget* parent);
    void buildMenus();
    void setUpGrid();
    void applyMode();
    void applyHeadings();
    void setTypeCell(int row, const QString& type);
    QString typeCell(int row) const;
    StepRow rowAt(int row) const;
    void showRow(int row, const StepRow& cells);
    bool rowBlank(int row) const;
    void insertRow();
    void deleteRow();
    void newTable();
    void openFile();
    bool save();
    bool saveAs();
    bool writeTo(const QString& path);
    void print();
    void start();
    void stop();
    void setRunning(bool on);
    void showFileName();
    void refreshMonitor();
    void autoSave();
    void loadAutoSaved();
    QString shown(const QString& invariant) const;
    QString stored(const QString& typed) const;

    Program& program_;
    WindowPrompt prompt_{program_, this}; // boxes and dialogs of this window
    std::function<QWidget*()> openMonitor_;
    std::function<void()> afterRun_;
    std::function<void()> help_;
    QPointer<QWidget> monitor_;    // the measurement window of a monitored run
    QPointer<QWidget> mainWindow_; // whose closing ends the program
    StepTableRun* run_ = nullptr;  // the run in progress
    QString file_;                 // the table's file; empty for a new table
    bool dc_ = false;              // the output mode the type lists and headings follow
    bool typeBoxesFilled_ = false;
    bool closeWhenStopped_ = false;

    QTableWidget* grdRegs_ = nullptr;
    QLabel* lblGrid_ = nullptr;
    QButtonGroup *optData_ = nullptr, *optMode_ = nullptr, *optTrigSource_ = nullptr,
                 *pacing_ = nullptr;
    QLineEdit *txtVnom_ = nullptr, *txtFnom_ = nullptr, *txtMode_ = nullptr, *txtTrigger_ = nullptr,
              *txtComment_ = nullptr;
    QCheckBox *chkSteady_ = nullptr, *chkCycles_ = nullptr, *chkBanner_ = nullptr,
              *chkMonitor_ = nullptr;
    std::array<QCheckBox*, 3> chkPhase_{};
    QScrollBar* spnTrigger_ = nullptr;
    QPushButton *cmdStart_ = nullptr, *cmdStop_ = nullptr;
    QWidget* settings_ = nullptr;
    QAction *mnuTRun_ = nullptr, *mnuTStop_ = nullptr;
    QList<QAction*> idleOnly_; // file and edit entries that change the table
};

} // namespace ostrel
