#pragma once
// Waveform capture set-up: the buffer size and offset (in blocks of 256
// samples) and the graph's scaling for voltage, current and power.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace ostrel {

struct WaveSettings;

class frmWaveStp : public QDialog {
    Q_OBJECT
public:
    frmWaveStp(WaveSettings& settings, QWidget* parent = nullptr);
    void accept() override;

private:
    void showBuffer();

    WaveSettings& settings_;
    QScrollBar *hscBufferSize_, *hscBufferOffset_;
    QLabel *lblBufferSize_, *lblBufferOffset_;
    QCheckBox* chkScale_[3] = {};
    QLineEdit* txtMaximum_[3] = {};
    QCheckBox* chkGrid_ = nullptr;
};

} // namespace ostrel
