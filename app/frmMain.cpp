#include "app/frmMain.h"

#include "app/Program.h"

namespace ostrel {

frmMain::frmMain(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(program_.messageTitle);
    resize(1000, 700);
}

} // namespace ostrel
