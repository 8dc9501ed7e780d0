#pragma once
// A step table run on the connected source, as the transient list window's
// Start runs it and the command-line tool too: the bases, the compile and
// capacity checks, the simulation and no-phase checks and the relay question
// before anything is sent, then the list-run engine, each pass compiled again
// from that pass's frequency and start levels, and a readback at the end.
#include "transients/ListRun.h"
#include "transients/StepTable.h"
#include "transients/TransientCompile.h"

#include <memory>
#include <vector>

namespace ostrel {

struct StepTableRunOutcome {
    ListRunOutcome run;
    bool refused = false; // stopped before anything was sent
    QString refusal;      // why, for the operator (shown through the prompt)
    int segments = 0;
    std::vector<int> points; // per segment, of the first pass's compile
    double nominalS = 0;     // dwell x (1 + repeat) over every point and pass
};

class StepTableRun {
public:
    StepTableRun(Program& program, const StepTable& table, ListRunHooks hooks = {});
    ~StepTableRun();
    StepTableRun(const StepTableRun&) = delete;
    StepTableRun& operator=(const StepTableRun&) = delete;

    // Asks its questions and shows its refusals through the program's prompt.
    StepTableRunOutcome run();
    // Without a question: the first pass's compiled lines per segment, or the
    // refusal (nothing is sent).
    StepTableRunOutcome check(std::vector<QStringList>& lines);
    void stop();
    bool running() const;

private:
    CompileOptions options(const ListRunPass* pass) const;
    bool bases(QString& refusal);
    std::vector<ListRunSegment> segmentsOf(const ListProgram& program) const;

    Program& program_;
    const StepTable table_;
    const ListRunHooks hooks_;
    double vnom_ = 0;
    double fnom_ = 0;
    std::unique_ptr<ListRun> engine_;
    bool stopRequested_ = false;
};

} // namespace ostrel
