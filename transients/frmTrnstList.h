#pragma once
// The list transient editor: the source's list memory point by point in a
// 14-column grid, written to the source, read back, run with a chosen
// trigger source and pacing, and kept in ".TRL" files.
#include "app/WindowPrompt.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ostrel {

struct PointTable;
struct Program;

class frmTrnstList : public QMainWindow {
    Q_OBJECT
public:
    explicit frmTrnstList(Program& program, QWidget* parent = nullptr);

    // After a run (the relay closed, the output read back): the main panel refills.
    void setAfterRun(std::function<void()> refill) { afterRun_ = std::move(refill); }
    // F1: this window's page of the guide.
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    // The program closing during a run stops it first (abort, restore).
    void watchForShutdown(QWidget* mainWindow);

    // The grid and the controls as a table ("." as the decimal point), and back.
    PointTable table() const;
    void showTable(const PointTable& table);
    QString fileName() const { return fileName_; }
    bool running() const { return running_; }
    void printTo(QPrinter* printer);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildMenus();
    void newTable();
    void openFile();
    void saveFile(bool choose);
    void print();
    void insertPoint();
    void deletePoint();
    void run();
    void stop();
    void readLists();
    void writeLists();
    void setRunning(bool on);
    void showOutput();
    void showStatus(const QString& text);
    void fillCell(int row, int column, const QString& invariant);
    QString shown(const QString& invariant) const;
    // The run's own entries: "" when they are good, else what is wrong.
    QString checkRunEntries() const;

    Program& program_;
    WindowPrompt prompt_{program_, this};
    std::function<void()> afterRun_;
    std::function<void()> help_;
    QString fileName_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool closeWhenStopped_ = false;
    QWidget* mainWindow_ = nullptr;

    QTableWidget* grid_ = nullptr;
    QCheckBox* chkSelect_[4] = {};
    QLineEdit *txtRepeat_, *txtPhaseAngle_, *txtComment_;
    QButtonGroup *optPhaseAngle_, *optTrigSource_;
    QRadioButton *optAuto_, *optOnce_;
    QCheckBox* chkRetrigger_ = nullptr;
    QPushButton *cmdStart_, *cmdStop_;
    QLabel* lblOutput_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QAction *mnuTRun_, *mnuTStop_, *mnuTRead_, *mnuTWrite_;
};

} // namespace ostrel
