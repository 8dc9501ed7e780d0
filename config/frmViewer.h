#pragma once
// The bus monitor: every traced command and reply, following the traffic.
#include <QMainWindow>

class QListView;

namespace ostrel {

struct Program;

class frmViewer : public QMainWindow {
    Q_OBJECT
public:
    explicit frmViewer(Program& program, QWidget* parent = nullptr);
    ~frmViewer() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void copySelection();
    void stopTracing();

    Program& program_;
    QListView* list_;
};

} // namespace ostrel
