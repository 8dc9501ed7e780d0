#pragma once
// The point editor: the period's 1024 samples as a table in volts.
#include "waveforms/PointEdit.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace ostrel {

struct Program;

class frmEdit : public QDialog {
    Q_OBJECT
public:
    explicit frmEdit(Program& program, QWidget* parent = nullptr);
    QString status() const;

private:
    void fill();
    void insertRow();
    void deleteRow();
    void clearAll();
    void ok();

    Program& program_;
    double vpk_ = 0;
    std::vector<EditRow> rows_;
    bool filling_ = false;
    QTableWidget* grdEdit_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace ostrel
