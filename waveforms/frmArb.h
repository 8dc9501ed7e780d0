#pragma once
// The arbitrary waveform window: the program-wide waveform buffer on a graph
// in volts, drawn with the right mouse button, filled by the point editor,
// the function library or a captured record, kept in waveform files and sent
// to a register of the source.
#include "waveforms/Drawing.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace ostrel {

struct Program;
class GraphView;

class frmArb : public QWidget {
    Q_OBJECT
public:
    explicit frmArb(Program& program, QWidget* parent = nullptr);

    GraphView* graph() const { return Pego1_; }
    double peakScale() const { return vpk_; }
    QString status() const;
    // Shows the buffer again (after another window filled it).
    void redrawBuffer();

Q_SIGNALS:
    void catalogChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void drawPressed(QPoint pixel);
    void drawMoved(QPoint pixel);
    void drawReleased();
    void edit();
    void library();
    void upload();
    void load();
    void saveAs();
    void transfer();
    void deleteWaveform();
    void finish();
    void fillRegisters();
    void setTransferring(bool on);
    void showStatus(const QString& text);

    Program& program_;
    double vpk_ = 0;
    DrawState drawing_;
    bool transferring_ = false;
    bool closeRequested_ = false;

    GraphView* Pego1_ = nullptr;
    QCheckBox* chkGrid_ = nullptr;
    QComboBox* cmbWaveform_ = nullptr;
    QList<QPushButton*> commands_;
    QLabel* StatusBar1_ = nullptr;
};

} // namespace ostrel
