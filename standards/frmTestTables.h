#pragma once
// A standard test window, built from its standard's descriptor: choose a
// library and a power group, pick a test of its structure table, run it
// through the engine's run controller, measure the EUT after it and print
// the report. The window holds the controls; the engine and the EUT
// measurement do the work.
#include "measure/ProgramIo.h"
#include "reports/TestReportRecord.h"
#include "standards/EutMeasurement.h"
#include "standards/StepGrid.h"
#include "standards/TestFiles.h"

#include <QMainWindow>

#include <array>
#include <optional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace ostrel {

struct Program;
struct PowerGroup;
struct TestStandard;
class GraphView;
class TestRun;

class frmTestTables : public QMainWindow {
    Q_OBJECT
public:
    frmTestTables(Program& program, const TestStandard& standard, QWidget* parent = nullptr);
    ~frmTestTables() override;

    int powerGroup() const { return group_; }
    QString resultText() const { return resultText_; }
    bool running() const { return run_ != nullptr; }
    const TestReportRecord& reportRecord() const { return record_; }
    const QVector<EutAcquisition>& acquisitions() const { return eut_; }
    // The step grid as the operator sees it.
    StepGrid stepGrid() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    QWidget* buildSelection();
    QWidget* buildControl();
    QWidget* buildMeasurements();
    QWidget* buildReportPage();
    void buildMenus();
    void windowStart();

    void chooseLibrary(int index);
    void chooseGroup(int group);
    void takeRevisionSet(int entry);
    bool loadStructure(const QString& folder, int group);
    void selectTest(int row);
    void showSequence(const SequenceFile& file);
    void clearSequence();
    void applyColumns();
    void stepSelected(int row);
    void setTestFrequency(int entry, bool enabled);
    void activated();
    void showSettings();
    void editRows(const QString& action);
    void renumberSteps();

    void startTest();
    void abortTest();
    void outputOn();
    void outputOff();
    void setRunning(bool running);

    EutConditions conditions() const;
    EutRequest eutRequest() const;
    void loadLimits();
    void testFrequencyChosen(int entry);
    void acquireOnce();
    void acquireSweep();
    void showAcquisition(const EutAcquisition& a);
    void drawPhase(int phase, const EutAcquisition& a);
    void writeSummary();
    void resetPeak();

    void newFile();
    void openFile();
    bool saveFile(bool askName);
    void printReport();
    void setPrintEnabled(bool on);
    void printDocumentReport(const PowerGroup& group);
    void fillUserData();
    void status(const QString& text);

    Program& program_;
    const TestStandard* standard_; // the revision's set when its groups differ by revision
    ProgramIo io_;

    QTabWidget* tabSections_ = nullptr;
    QComboBox* cmbAirFrame_ = nullptr;
    QButtonGroup* optTestTable_ = nullptr;
    QLabel* lblTestGroup_ = nullptr;
    QLabel* lblTableHeader_ = nullptr;
    QLabel* lblDemoMode_ = nullptr;
    QTableWidget* grdTestNumbers_ = nullptr;
    QLineEdit* txtTestFileHeader_ = nullptr;
    QTableWidget* grdSettings_ = nullptr;
    QPlainTextEdit* txtDescription_ = nullptr;
    QWidget* fraExecOptions_ = nullptr;
    QButtonGroup* optExecutionControl_ = nullptr;
    QRadioButton* optFuncStrobe_ = nullptr;
    QRadioButton* optTrigOut_ = nullptr;
    QCheckBox* chkReturnSteady_ = nullptr;
    QCheckBox* chkAutoAcquire_ = nullptr;
    QCheckBox* chkPhaseDisplay_ = nullptr;
    QPushButton* cmdStart_ = nullptr;
    QPushButton* cmdAbort_ = nullptr;
    QPushButton* cmdOutputOn_ = nullptr;
    QPushButton* cmdOutputOff_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QLabel* lblProgressTest_ = nullptr;
    QLabel* lblProgressStep_ = nullptr;
    QLabel* lblTestInProgress_ = nullptr;
    QProgressBar* pgbProgressTest_ = nullptr;
    QProgressBar* pgbProgressStep_ = nullptr;

    QComboBox* cmbTestFrequency_ = nullptr;
    QPushButton* cmdAutoAcquire_ = nullptr;
    QPushButton* cmdUpdateMeas_ = nullptr;
    QPushButton* cmdResetPeak_ = nullptr;
    QPushButton* cmdMeasAbort_ = nullptr;
    QLineEdit* txtFreqMeas_ = nullptr;
    QLabel* lblFreqMeas_ = nullptr;
    QLabel* lblVoltRMS_ = nullptr;
    QLabel* lblCurrRMS_ = nullptr;
    QLabel* lblPowerlev_ = nullptr;
    QLabel* lblUnBal_ = nullptr;
    QLabel* lblCurrDistortion_ = nullptr;
    QLabel* lblVoltDistortion_ = nullptr;
    QLabel* lblCDistLimit_ = nullptr;
    std::array<QLineEdit*, 3> txtVoltRMS_{}, txtCurrRMS_{}, txtPowerLev_{}, txtInrush_{},
        txtPowerFactor_{}, txtCurrDistortion_{}, txtVoltDistortion_{};
    std::array<QLineEdit*, 3> txtCurrPhase_{}; // sets with harmonic phase readings only
    QLineEdit* txtVATotal_ = nullptr;
    QLineEdit* txtUnbalance_ = nullptr;
    QLineEdit* txtPFLeadLimit_ = nullptr;
    QLineEdit* txtPFLagLimit_ = nullptr;
    QLineEdit* txtPFResult_ = nullptr;
    QLineEdit* txtCDistLimit_ = nullptr;
    QLineEdit* txtCDistResult_ = nullptr;
    std::array<QTableWidget*, 3> grdSpectrum_{};
    GraphView* pegoCurrent_ = nullptr;
    GraphView* pegoSpectrum_ = nullptr;

    QLineEdit* txtOutputMode_ = nullptr;
    QLineEdit* txtCurrent_ = nullptr;
    std::array<QLineEdit*, 3> txtVoltage_{}, txtPhaseAngle_{};
    std::array<QComboBox*, 3> cmbWaveform_{};

    QLineEdit *txtEUT_ = nullptr, *txtTestedBy_ = nullptr, *txtComment_ = nullptr,
              *txtSite_ = nullptr, *txtTemp_ = nullptr, *txtHumidity_ = nullptr,
              *txtPressure_ = nullptr;
    QPlainTextEdit* txtObservations_ = nullptr;
    QPlainTextEdit* txtInput_ = nullptr;

    QString libraryFolder_;
    int library_ = 0;
    int group_ = 0;
    std::optional<StructureTable> structure_;
    QString sequencePath_;
    QString testLabel_;
    QString resultText_ = QStringLiteral("No Test Selected");
    QStringList copiedRow_; // the step the Edit menu copied or cut
    bool dirty_ = false;
    bool filling_ = false; // the program fills a grid or picks an entry
    bool measuring_ = false;
    bool measAbort_ = false;
    bool closeAfterRun_ = false;
    TestRun* run_ = nullptr;
    DistortionLimits limits_;
    float sampleIntervalUs_ = 0;
    TestReportRecord record_;
    QVector<EutAcquisition> eut_;
};

} // namespace ostrel
