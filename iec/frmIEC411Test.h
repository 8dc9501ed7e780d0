#pragma once
// The IEC 61000-4-11 test window: the dip and variation tables, the nominal
// values and sequence parameters, the inrush pre-test, the live readings,
// the run with its verdict, and the report. The logic is IecTestFile,
// IecPlan and IecRun; the window holds the controls.
#include "iec/IecPlan.h"
#include "iec/IecRun.h"
#include "iec/IecTestFile.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace ostrel {

struct Program;

class frmIEC411Test : public QMainWindow {
    Q_OBJECT
public:
    explicit frmIEC411Test(Program& program, QWidget* parent = nullptr);
    ~frmIEC411Test() override;

    bool running() const { return run_ != nullptr; }
    bool changed() const { return dirty_; }
    // The file as the controls hold it.
    IecTestFile testFile() const;
    void loadFile(const QString& path);
    const IecRunOutcome& lastRun() const { return outcome_; }
    // Called when a run changed the output (relay, Unom): the panel shows it again.
    void onOutputChanged(std::function<void()> refresh) { outputChanged_ = std::move(refresh); }

    // Parameter fields of txtParm, by index.
    enum Parm {
        ParmVoltage,
        ParmFrequency,
        ParmRepeat,
        ParmDuration,
        ParmInterDelay,
        ParmMeasRate,
        ParmPreTest,
        ParmCount
    };

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildMenus();
    void showFile(const IecTestFile& file);
    void parmEdited(int index);
    void markChanged();
    void updateTestTime();
    void newFile();
    void openFile();
    bool saveFile(bool askName);
    void startTest();
    void abortTest();
    void printReport();
    void measureTick();
    IecTable table() const;

    Program& program_;
    IecTestFile base_; // what the controls do not show (user data, the variation delays' defaults)
    QString path_;
    bool dirty_ = false;
    bool loading_ = false;
    bool closeAfterRun_ = false;
    std::unique_ptr<IecRun> run_;
    IecRunOutcome outcome_;
    std::function<void()> outputChanged_;

    QButtonGroup* optLevel_ = nullptr;
    QLineEdit* txtParm_[ParmCount] = {};
    QComboBox* cboUserPrompt_ = nullptr;
    QCheckBox* chkPeakCurrent_ = nullptr;
    QLabel* lblPeakCurrent_ = nullptr;
    QLabel* lblTestTime_ = nullptr;
    QLabel* lblResult_ = nullptr;
    QLabel* lblVolts_ = nullptr;
    QLabel* lblAmps_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QTableWidget* grdSequence_ = nullptr;
    QTableWidget* grdVariation_ = nullptr;
    QPlainTextEdit* txtObservation_ = nullptr;
    QPushButton* cmdStart_ = nullptr;
    QPushButton* cmdAbort_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QTimer* tmrMeas_ = nullptr;
};

// The window's entry in the main window ("mnuAIEC411", "tb-iec411").
class frmMain;
void RegisterIecWindow(frmMain& main, Program& program);

} // namespace ostrel
