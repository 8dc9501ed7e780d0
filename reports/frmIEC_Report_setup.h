#pragma once
// Report set-up: the report format, whether the file name is asked, the
// report folder, and the template folders (a lab copies a shipped template
// to its own folder and edits it there). OK stores the three settings.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace ostrel {

struct Program;

class frmIEC_Report_setup : public QDialog {
    Q_OBJECT
public:
    explicit frmIEC_Report_setup(Program& program, QWidget* parent = nullptr);

private:
    void browseFolder();
    void copyTemplate();
    void store();

    Program& program_;
    QListWidget* lstFormat_ = nullptr;
    QCheckBox* optUserPrompt_ = nullptr;
    QLineEdit* txtReportFolder_ = nullptr;
    QComboBox* cboTemplate_ = nullptr;
};

} // namespace ostrel
