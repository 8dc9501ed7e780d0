#pragma once
// The harmonic waveform window: a table of harmonics becomes one period of a
// custom waveform, previewed, saved with its waveform file, and sent to a
// register of the source.
#include "waveforms/HarmonicTable.h"
#include "waveforms/Synthesis.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace ostrel {

struct Program;
class GraphView;

class frmHarmgen : public QWidget {
    Q_OBJECT
public:
    explicit frmHarmgen(Program& program, QWidget* parent = nullptr);

    HarmonicTable table() const;
    const Synthesis& synthesis() const { return synthesis_; }
    QString waveformName() const { return name_; }
    double peakScale() const { return vpk_; }

Q_SIGNALS:
    // The source's waveform catalog was read again: lists elsewhere follow it.
    void catalogChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QTableWidget* grid(const QString& name, bool odd);
    void showTable(const HarmonicTable& table);
    void cellEdited();
    void preview();
    void synthesise();
    void draw();
    void drawBars();
    void drawWaveform();
    bool refuseEmpty();
    void clearTable();
    void load();
    void saveAs();
    void transfer();
    void deleteWaveform();
    void ok();
    void fillRegisters();
    void setTransferring(bool on);
    void showStatus(const QString& text);

    Program& program_;
    double vpk_ = 0;
    QString name_;
    Synthesis synthesis_;
    bool filling_ = false;
    bool synthesising_ = false;
    bool previewAgain_ = false;
    bool transferring_ = false;
    bool closeRequested_ = false;

    QTableWidget* grdOdd_ = nullptr;
    QTableWidget* grdEven_ = nullptr;
    GraphView* Pego1_ = nullptr;
    QButtonGroup* optView_ = nullptr;
    QCheckBox* chkAutoPreview_ = nullptr;
    QCheckBox* chkGrid_ = nullptr;
    QComboBox* cmbWaveform_ = nullptr;
    QList<QPushButton*> commands_;
    QPushButton* cmdPreview_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace ostrel
