#pragma once
// The steady-state control panel: every phase's programmed values at a glance
// and the controls that set them. Thin: each control calls PanelActions.
#include <QList>

#include <array>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace ostrel {

struct Program;
class SpinButton;

class SteadyStatePanel : public QWidget {
    Q_OBJECT
public:
    explicit SteadyStatePanel(Program& program, QWidget* parent = nullptr);

    // Sets every control from OutputState without sending anything.
    void fill();
    bool commandsEnabled() const { return commandsEnabled_; }
    void setCommandsEnabled(bool on) { commandsEnabled_ = on; }
    std::array<bool, 3> tickedPhases() const;
    int selectedPhase() const;

    // The front-panel lock box, ticked without sending (start-up, GPIB transfers).
    void showFrontPanelLocked();

Q_SIGNALS:
    // A change that needs the source read back and the panel refilled.
    void readBackRequested();

private:
    void build();
    QWidget* buildPhaseTable();
    QWidget* buildEntries();
    QWidget* buildOutputBox();
    QWidget* buildSettingsBox();
    QWidget* buildRegisterBox();
    QLineEdit* entry(const QString& name, const QString& unit, QSlider*& slider, const QString& sliderName,
                     QWidget* parent, QGridLayout* grid, int row, const QString& label);
    void connectEntries();
    void connectOptions();
    void showModeControls();
    void setSliderRanges();
    void refreshPhaseLabels();
    void restoreEntries();
    bool readEntry(QLineEdit* box, float& value) const;
    void onVoltageEntered(float v);
    void onSliderSettled(QSlider* slider);
    void onWaveformChosen(int phase, int index);
    void fillWaveformLists();

    Program& program_;
    bool commandsEnabled_ = true;

    QList<QCheckBox*> chkPh_;
    QList<QRadioButton*> optPhaseSelect_;
    QList<QLabel*> lblVolt_, lblDc_, lblCurr_, lblPhase_;
    QList<QComboBox*> cmbWave_, cmbClip_;
    QLineEdit *txtAmpc_, *txtFreq_, *txtCurc_, *txtPhsc_, *txtOffset_;
    QSlider *hscAmp_, *hscFreq_, *hscCur_, *hscPhase_, *hscOffset_;
    QLabel *lblAmpUnit_ = nullptr, *lblOffsetCaption_ = nullptr;
    QButtonGroup *optMode_, *optRange_, *optRelay_, *optPhase_, *optProt_, *optSense_, *optVanu_, *phaseSelect_;
    QList<QRadioButton*> rangeButtons_;
    QRadioButton* relayClosed_ = nullptr;
    QCheckBox *chkALC_, *chkALCTrip_, *chkImpedance_;
    QLineEdit *txtCLDelay_, *txtResistive_;
    SpinButton *spnCLDelay_, *spnResistive_;
    QPushButton* cmdFlickZ_;
    QWidget* offsetRow_[3] = {};
    QComboBox* cmbNvm_ = nullptr;
    QPushButton *cmdSave_ = nullptr, *cmdRecall_ = nullptr;
    QCheckBox* chkFront_ = nullptr;
};

} // namespace ostrel
