#pragma once
// The run of a resident option: the set-up, then each selected test started
// by one option command and followed until the source reports it idle, with
// a measurement log line per poll. Window and command line share it. Abort
// and Skip are requests carried out between two queries; every end goes
// through the restore step, and "COMPLETED" is written only when every
// selected test ran to its end.
#include "standards/ResidentFiles.h"
#include "standards/ResidentOption.h"
#include "standards/TestRun.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

namespace ostrel {

struct Program;

enum class ResidentTestStatus { NotRun, Completed, Skipped, Aborted };

struct ResidentTestReport {
    int index = 0;
    QString entry;
    QString command;
    QList<double> frequencies; // the option frequencies it ran at (variable groups)
    bool selected = false;
    ResidentTestStatus status = ResidentTestStatus::Skipped;
    QString error;
    double seconds = 0; // expected, per frequency
};

struct ResidentOutcome {
    RunOutcome outcome = RunOutcome::NotStarted;
    QString reason;
    QString result; // "COMPLETED", "USER ABORT", "COMPLETED WITH ERRORS (...)", "TEST FAILED"
    QDateTime started, ended; // ended invalid: "NONE"
    double plannedSeconds = 0;
    double elapsedSeconds = 0;
    std::vector<ResidentTestReport> tests;
    bool linkLost = false;
    bool restored = false;
    QString logPath;
    bool logWritten = false;
};

struct ResidentCallbacks {
    std::function<void(const QString&)> status;
    // Seconds left of the running test and of the whole run; the schedule line.
    std::function<void(int testRemaining, int testTotal, const QString& schedule)> progress;
    std::function<void(int index)> testStarted;
    std::function<void(const QString& text)> nominalFrequency; // lblFNom
    std::function<void(bool running)> runningChanged;
};

class ResidentRun {
public:
    ResidentRun(Program& program, const ResidentOption& option, ResidentCallbacks callbacks = {});
    ResidentRun(const ResidentRun&) = delete;
    ResidentRun& operator=(const ResidentRun&) = delete;

    ResidentOutcome run(const ResidentSetup& setup, const std::vector<int>& durations, const QString& logPath);
    bool running() const { return running_; }
    void requestAbort() {
        if (running_) abort_ = true;
    }
    void requestSkip() {
        if (running_ && option_.skipAndRepeat) skip_ = true;
    }

    // The lines that set the option up ("ms704:rev F", ...).
    static QStringList SetupLines(const ResidentOption& option, const ResidentSetup& setup);
    // The coupling line and whether the run covers every output.
    static QString CouplingLine(const ResidentOption& option, const ResidentSetup& setup, int outputs,
                                bool threePhaseMode);
    static double NominalFrequency(const ResidentOption& option, const ResidentSetup& setup);

private:
    enum class End { Done, Aborted, Failed };

    bool connected() const;
    void status(const QString& text);
    bool send(const QString& line);
    bool checked(QString& errors);
    End waitReady();
    End runTest(ResidentTestReport& test, int seconds);
    End follow(const QString& command, int seconds);
    bool isDone(const QString& reply) const;
    bool isStateReply(const QString& reply) const;
    void writeLog();
    void stopSource();
    void failLost();
    void failNoReply();
    void schedule(int testRemaining, int testTotal);

    Program& program_;
    const ResidentOption& option_;
    ResidentCallbacks callbacks_;
    ResidentOutcome outcome_;
    QList<int> phases_; // the phases under test, 1-based
    bool coupleAll_ = false;
    QFile log_;
    bool logFailed_ = false;
    bool running_ = false;
    bool abort_ = false;
    bool skip_ = false;
    bool failed_ = false;
    double done_ = 0;   // expected seconds of the tests behind
    double total_ = 0;
};

QString ResidentTestStatusName(ResidentTestStatus status);

} // namespace ostrel
