#pragma once
// Scaling of the harmonic analysis graph: automatic or manual with a typed
// maximum, for voltage and for current, and the grid.
#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace ostrel {

struct GraphSettings;

class frmMSGraphSetup : public QDialog {
    Q_OBJECT
public:
    frmMSGraphSetup(GraphSettings& settings, QWidget* parent = nullptr);
    void accept() override;

private:
    GraphSettings& settings_;
    QCheckBox* chkManual_[2] = {};
    QLineEdit* txtMaximum_[2] = {};
    QCheckBox* chkGrid_ = nullptr;
};

} // namespace ostrel
