#pragma once
#include <QDialog>

namespace ostrel {

struct Program;

// The About box: the program's name, part number and version, and the facts
// of the machine it runs on.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(Program& program, const QString& logo, QWidget* parent = nullptr);
};

// One line per fact of this machine, for the About box and support requests.
QStringList SystemFacts();

} // namespace ostrel
