#pragma once
// The capture upload: one period of a record taken by the capture window
// (".wfd") into the waveform buffer.
#include <QDialog>

class QComboBox;
class QLineEdit;

namespace ostrel {

struct Program;

class frmDSOmdl : public QDialog {
    Q_OBJECT
public:
    explicit frmDSOmdl(Program& program, QWidget* parent = nullptr);
    // Reads `path` and lists the channels it holds; false (and told) when refused.
    bool openRecord(const QString& path);

private:
    void browse();
    void ok();

    Program& program_;
    QString path_;
    QLineEdit* txtFile_ = nullptr;
    QComboBox* cmbChannel_ = nullptr;
    QLineEdit* txtFreq_ = nullptr;
};

} // namespace ostrel
