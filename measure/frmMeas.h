#pragma once
// The standard measurement window: per-phase readings of the source's meter,
// once or repeated at an interval, optionally logged to a delimited file.
#include "app/WindowPrompt.h"
#include "measure/MeasurementState.h"
#include "measure/ProgramIo.h"
#include "measure/StandardMeasurement.h"

#include <QWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ostrel {

struct Program;
class LogFile;
struct LogLayout;

class frmMeas : public QWidget {
    Q_OBJECT
public:
    frmMeas(Program& program, MeasurementState& state, QWidget* parent = nullptr);
    ~frmMeas() override;

    bool running() const { return running_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void build();
    void loadRecord();
    void saveRecord();
    void refreshPhases();
    void showModeCaptions();
    CycleRequest request() const;
    void measure();
    void runRepeat();
    // One cycle; false when the watt-hour meter held the source.
    bool cycle(LogFile* log, const LogLayout* layout);
    void showResult(const CycleResult& result);
    void resetPeaks();
    void chooseLogFile();
    void setRunning(bool on, bool logging);
    QString shown(const QString& invariant) const;

    Program& program_;
    MeasurementState& state_;
    ProgramIo io_;
    WindowPrompt prompt_{program_, this}; // boxes and dialogs of this window
    bool running_ = false;
    bool closeRequested_ = false;

    std::array<QCheckBox*, kPhaseCount> chkPhase_{};
    std::array<QCheckBox*, kReadoutCount + 3> chkReadout_{};
    std::array<std::array<QLabel*, kPhaseCount>, kReadoutCount> values_{};
    std::array<QLabel*, kReadoutCount> rowCaption_{};
    std::array<QLabel*, kReadoutCount> indicator_{};
    std::array<QLabel*, 3> lineLabels_{}; // lblVAC, lblVAB, lblVBC
    std::array<float, kPhaseCount> peak_{};
    QLabel* freq_ = nullptr;
    QButtonGroup* optMode_ = nullptr;
    QPushButton *cmdMeas_, *cmdStop_, *cmdPeakzero_, *cmdLogFileSelect_, *cmdGuiSettings_;
    QLineEdit* txtLog_ = nullptr;
    QCheckBox *chkLog_, *chkLLMeas_, *chkOnTop_;
};

} // namespace ostrel
