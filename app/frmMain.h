#pragma once
#include <QMainWindow>

namespace ostrel {

struct Program;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(Program& program, QWidget* parent = nullptr);

private:
    Program& program_;
};

} // namespace ostrel
