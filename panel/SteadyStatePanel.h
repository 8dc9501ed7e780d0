#pragma once
// The steady-state control panel: every phase's programmed values at a glance
// and the controls that set them. Thin: each control calls PanelActions.
#include <QList>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

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
class QTimer;

namespace ostrel {

struct Program;
class SpinButton;

class SteadyStatePanel : public QWidget {
    Q_OBJECT
public:
    explicit SteadyStatePanel(Program& program, QWidget* parent = nullptr);
    ~SteadyStatePanel() override;

    // Sets every control from OutputState without sending anything: after a
    // setup file, a recall, a mode or range change, another phase shown.
    void fill();
    // After a readback: the display parts (labels, waveform lists, frames,
    // limits, options) follow OutputState, and so does every entry box and
    // slider the operator is not using; a box with focus or typed text that
    // was not confirmed is never rewritten. Values confirmed while the source
    // was being read are applied first.
    void refresh();
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
    void display(bool everything);
    // The text of OutputState's value that the box shows.
    QString entryText(const QLineEdit* box) const;
    void setEntry(QLineEdit* box, bool everything);
    void setSlider(QSlider* slider, int value, bool everything);
    // Runs `action` now or, while the source is being read (a readback or any
    // query), once the link is free, so the read neither drops the value
    // nor overwrites it afterwards.
    void whenLinkFree(std::function<void()> action);
    void runPending();
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
    // The box shows OutputState's value again (after a rejected entry).
    void restoreEntry(QLineEdit* box);
    bool readEntry(const QString& typed, float& value) const;
    void connectEntry(QLineEdit* box, void (SteadyStatePanel::*entered)(const QString&));
    void enterVoltage(const QString& typed);
    void enterFrequency(const QString& typed);
    void enterCurrent(const QString& typed);
    void enterPhaseAngle(const QString& typed);
    void enterOffset(const QString& typed);
    void onVoltageEntered(float v);
    void onSliderSettled(QSlider* slider, int value);
    void showClipLevel(int phase);
    void onWaveformChosen(int phase, int index);
    void fillWaveformLists(bool everything);

    Program& program_;
    bool commandsEnabled_ = true;
    std::vector<std::function<void()>> pending_;
    QTimer* pendingTimer_ = nullptr;

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
