#pragma once
// Running a dips or variations test: initialisation, the optional inrush
// pre-test, each row's list with its checks, the delays or pauses between
// rows, the verdict and the restore. Every wait goes through the program's
// engine clock; the operator's Abort is a request honoured at every wait.
#include "iec/IecPlan.h"
#include "iec/IecTestFile.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace ostrel {

struct Program;

enum class IecStepResult { NotRun, Done, Error, Aborted };
QString IecStepResultName(IecStepResult result); // "done", "error", "aborted", "not run"

struct IecStepReport {
    IecStep step;
    IecStepResult result = IecStepResult::NotRun;
    int done = 0; // repetitions played
    QString error;
    std::optional<double> vMin; // lowest voltage read while the row played
    std::optional<double> iMax; // highest current read
};

struct IecInrushAttempt {
    double angle = 0;
    std::optional<double> peak;
};

// One reading of the run, for the report's trend graph.
struct IecTrendPoint {
    double seconds = 0; // since the run started, on the pacing clock
    std::optional<double> volts, amps;
};

enum class IecRunEnd { NotStarted, Completed, Aborted, Failed };

struct IecRunOutcome {
    IecRunEnd end = IecRunEnd::NotStarted;
    QString reason;                          // why it did not complete
    QString result = QStringLiteral("NONE"); // PASS, FAIL, INCOMPLETE, ABORT or NONE
    QString endField;                        // the time ended, or "NONE, " + reason
    QDateTime started, ended;
    std::vector<IecStepReport> steps;
    bool inrushTested = false;
    std::vector<IecInrushAttempt> attempts;
    double inrushLimit = 0;
    QString inrushText;
    QStringList warnings;
    QStringList comments; // the operator's words at each pause
    std::vector<IecTrendPoint> trend;
    bool relayClosed = false; // the run closed the relay
    bool restored = false;    // the end's restore went out on a live link
    bool sentAnything = false;
};

struct IecReading {
    std::optional<double> volts, amps;
};

struct IecRunCallbacks {
    std::function<void(const QString&)> status;
    std::function<void(int row)> stepStarted;
    std::function<void(const IecReading&)> reading;
    std::function<void(const QString&)> inrushText;
    // The verdict: true PASS, false FAIL, nothing when none is given. Unset:
    // the operator is asked through the prompt.
    std::function<std::optional<bool>()> verdict;
    // The output state changed (relay, Unom): the panel shows it again.
    std::function<void()> outputChanged;
};

extern const QString kIecVerdictQuestion; // "Is the equipment under test still functional?"

// One "meas:volt:ac?" and "fetc:curr:ac?"; a value only when it was read.
// Skipped (nothing) while another conversation is in progress.
IecReading ReadIecMeasurement(Program& program);

class IecRun {
public:
    IecRun(Program& program, IecRunCallbacks callbacks = {});
    IecRun(const IecRun&) = delete;
    IecRun& operator=(const IecRun&) = delete;

    IecRunOutcome run(const IecTestFile& file, const IecPlanOptions& options);
    void requestAbort() {
        if (running_) abort_ = true;
    }
    bool running() const { return running_; }

private:
    bool connected() const;
    bool stop() const { return abort_ || failed_; }
    bool send(const QStringList& lines);
    QString checkError();
    bool initialise(const IecTestFile& file, const IecPlan& plan);
    void inrushTest(const IecTestFile& file);
    void playStep(IecStepReport& report, int number);
    bool between(const IecStep& step, int number);
    bool wait(double seconds);
    void measure();
    void fail(const QString& reason);
    void restore(const IecPlan& plan);
    void status(const QString& text);

    Program& program_;
    IecRunCallbacks callbacks_;
    IecRunOutcome outcome_;
    IecStepReport* current_ = nullptr;
    bool running_ = false;
    bool abort_ = false;
    bool failed_ = false;
    bool programming_ = false;
    bool inrushStarted_ = false;
    int measureMs_ = 1000;
    QElapsedTimer sinceStart_;
};

} // namespace ostrel
