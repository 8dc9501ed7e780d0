#pragma once
// The output sequencer window: a step grid per phase, the run options and
// user data, ".seq" files with their ".ini", a printed or PDF report.
#include "app/WindowPrompt.h"
#include "automation/SequenceTable.h"
#include "automation/SequencerRun.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QLineEdit;
class QPaintDevice;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

namespace ostrel {

struct Program;

class frmSequencer : public QMainWindow {
    Q_OBJECT
public:
    explicit frmSequencer(Program& program, QWidget* parent = nullptr);
    ~frmSequencer() override;

    // The relay or the levels changed during a run; after a run, the readback.
    void setOutputChanged(std::function<void()> changed) { outputChanged_ = std::move(changed); }
    void setAfterRun(std::function<void()> afterRun) { afterRun_ = std::move(afterRun); }
    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    // Closing `mainWindow` ends the program: a run in progress is stopped first.
    void watchForShutdown(QWidget* mainWindow);

    // The grids as cells with "." numbers.
    SequenceTable table() const;
    void showTable(const SequenceTable& table);
    bool running() const { return run_ != nullptr; }
    bool openFile(const QString& path);
    bool writeTo(const QString& path);
    // The report's lines for the table now shown.
    QStringList reportLines() const;
    bool writeReportPdf(const QString& path, QString& error) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildMenus();
    void applyMode();
    void showRow(int phase, int row, const SequenceRow& cells);
    void onItemChanged(QTableWidgetItem* item);
    void newTable();
    void open();
    bool save();
    bool saveAs();
    void print();
    void printPdf();
    void paintReport(QPaintDevice& device) const;
    void start();
    void stop();
    void clearReadings();
    void setRunning(bool on);
    SequencerOptions options() const;
    SequenceUserData userData() const;
    bool askToSave();

    Program& program_;
    WindowPrompt prompt_{program_, this};
    std::function<void()> outputChanged_;
    std::function<void()> afterRun_;
    std::function<void()> help_;
    QPointer<QWidget> mainWindow_;
    SequencerRun* run_ = nullptr;
    QString file_;
    bool changed_ = false;
    bool filling_ = false;
    bool closeWhenStopped_ = false;
    bool dc_ = false;
    bool threePhase_ = false;

    QTabWidget* tbsPhase_ = nullptr;
    std::array<QTableWidget*, 3> grdSequence_{};
    std::array<QCheckBox*, 7> chkTestOption_{};
    QLineEdit *txtTestedBy_ = nullptr, *txtEUT_ = nullptr, *txtComment_ = nullptr;
    QAction *mnuTRun_ = nullptr, *mnuTStop_ = nullptr, *mnuTMNormal_ = nullptr,
            *mnuTMSingle_ = nullptr;
    QList<QAction*> idleOnly_;
};

} // namespace ostrel
