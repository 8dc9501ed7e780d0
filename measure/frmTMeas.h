#pragma once
// The waveform capture window: the source digitises its output, the window
// fetches and plots the voltage, current or power arrays with the meter
// readings taken at the same time, and keeps captures in ".wfd" files.
#include "app/WindowPrompt.h"
#include "measure/Capture.h"
#include "measure/MeasurementState.h"
#include "measure/ProgramIo.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPrinter;

namespace ostrel {

struct Program;
class GraphView;

class frmTMeas : public QMainWindow {
    Q_OBJECT
public:
    frmTMeas(Program& program, MeasurementState& state, QWidget* parent = nullptr);
    ~frmTMeas() override;

    const Capture& capture() const { return capture_; }
    float intervalUs() const { return intervalUs_; }
    GraphView* graph() const { return graph_; }
    // Opens the user guide's page of this window.
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    // The graph with its titles, then the samples as a table.
    void printTo(QPrinter& printer);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void buildActions();
    void fillParameters();
    void readInterval();
    void showPeriod();
    void periodEntered();
    // The trigger angle typed: 0 to 360 degrees, else refused and shown as it was.
    void triggerPhaseEntered();
    void acquire();
    void plot();
    void showReadouts();
    void openFile();
    void saveFile();
    void print();
    void setup();
    void clearGraph();
    ScaleLimits limits() const;
    int samples() const;
    int phase() const;
    void showStatus(const QString& text);
    void setAcquiring(bool on);
    QString shown(const QString& invariant) const;

    Program& program_;
    MeasurementState& state_;
    ProgramIo io_;
    WindowPrompt prompt_{program_, this}; // boxes and dialogs of this window
    Capture capture_;
    float intervalUs_ = 0;
    float triggerAngle_ = 0; // degrees, the last one accepted
    bool intervalChanged_ = false;
    bool busy_ = false;
    bool abort_ = false;
    bool closeRequested_ = false;
    std::function<void()> help_;

    QComboBox* cmbParam_ = nullptr;
    QButtonGroup* optPhs_ = nullptr;
    QCheckBox *chkSync_, *chkContinuous_;
    QLineEdit *txtTrigPhase_, *txtOffset_, *txtPeriod_;
    QGridLayout* readoutGrid_ = nullptr;
    QList<QLabel*> lblMType_, lblMeas_;
    GraphView* graph_ = nullptr;
    QAction *acquireAction_, *abortAction_;
};

} // namespace ostrel
