#pragma once
// The harmonic analysis window: harmonic amplitudes and phases of one
// phase's voltage or current, THD, shown as bar charts, a reconstructed
// waveform or tables; ".hmd" files, printing and logging.
#include "app/WindowPrompt.h"
#include "measure/Harmonics.h"
#include "measure/MeasurementState.h"
#include "measure/ProgramIo.h"

#include <QMainWindow>

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QStackedWidget;
class QTableWidget;

namespace ostrel {

struct Program;
class GraphView;

class frmHMeas : public QMainWindow {
    Q_OBJECT
public:
    frmHMeas(Program& program, MeasurementState& state, QWidget* parent = nullptr);

    const HarmonicData& data() const { return data_; }
    GraphView* graph() const { return graph_; }
    // The table on its pages, then the graph with its captions.
    void printTo(QPrinter& printer);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void buildMenus();
    void acquire();
    bool acquirePhase(int phase);
    void toggleLogging(bool on);
    void runLogging();
    void openFile();
    void saveFile();
    void print();
    void graphSetup();
    void refresh();
    void drawBars(bool relative);
    void drawTimeDomain();
    void fillTables();
    void showStatus(const QString& text);
    void setAcquiring(bool on);
    bool currentSelected() const;
    int phase() const;
    QString shown(const QString& invariant) const;
    QString titleTail() const;

    Program& program_;
    MeasurementState& state_;
    ProgramIo io_;
    WindowPrompt prompt_{program_, this}; // boxes and dialogs of this window
    HarmonicData data_;
    bool busy_ = false;
    bool logging_ = false;
    bool closeRequested_ = false;

    QComboBox *cmbParam_, *cmbGraph_;
    QButtonGroup* optPhs_ = nullptr;
    QPushButton* cmdMeas_ = nullptr;
    QLabel *lblVthd_, *lblCthd_;
    QStackedWidget* pages_ = nullptr;
    GraphView* graph_ = nullptr;
    QTableWidget *grdOdd_, *grdEven_;
    QAction *mnuMRun_, *mnuMLog_;
};

} // namespace ostrel
