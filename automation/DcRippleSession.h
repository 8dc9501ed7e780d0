#pragma once
// The DC ripple window's conversation with the source, from opening to
// closing: the ripple registers and AC+DC mode once per opening, each test
// through the list-run engine, and a close that leaves the source as it was
// found (fixed modes, each phase's waveform, no ripple register, the
// waveform limit check and the output mode of the opening), then reads it
// back. The window and the command-line tool both drive it.
#include "automation/DcRipple.h"
#include "transients/ListRun.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace ostrel {

struct Program;

struct DcRippleChoice {
    int nominalIndex = 0;  // 0: 28 Vdc, 1: 14 Vdc
    int categoryIndex = 0; // 0: A(R), Z, 1: B
    std::array<bool, 3> phases{true, true, true};
};

struct DcRippleHooks {
    // The relay changed; OutputState says how.
    std::function<void()> relayChanged;
    // Elapsed and total seconds, at each poll.
    std::function<void(double, double)> progress;
};

struct DcRippleOutcome {
    ListRunResult result = ListRunResult::Failed;
    bool refused = false;  // the relay question was not answered OK: nothing ran
    QString message;       // the status the test ended with
    QStringList listLines; // the program's lines, as they went out
    QStringList sourceErrors;
};

struct DcRippleClose {
    QStringList errors;    // each refused line's errors, as shown
    bool restored = false; // every line was taken
};

class DcRippleSession {
public:
    DcRippleSession(Program& program, DcRippleHooks hooks = {});
    ~DcRippleSession();
    DcRippleSession(const DcRippleSession&) = delete;
    DcRippleSession& operator=(const DcRippleSession&) = delete;

    // The window loads: waveform limit check off; each phase's waveform and
    // the output mode are noted for the close.
    void load();
    // The window is first shown: the ripple registers go down and the source
    // goes to AC+DC. Once per opening; false when a download failed.
    bool activate();
    DcRippleOutcome start(const DcRippleChoice& choice);
    // Abort from an event handler during a test.
    void abort();
    bool running() const { return running_; }
    // "outp 1" / "outp 0"; opening the relay during a test asks first and
    // aborts the test. False when the operator kept the test running.
    void closeRelay();
    bool openRelay();
    // The close: false when the operator keeps a running test (the window
    // stays). During a test the close waits for the test's own finish.
    bool mayClose();
    DcRippleClose close();

    bool activated() const { return activated_; }
    QStringList downloaded() const { return downloaded_; }

private:
    void showSourceErrors();

    Program& program_;
    const DcRippleHooks hooks_;
    std::unique_ptr<ListRun> engine_;
    std::array<QString, 3> waveforms_; // each phase's, at opening
    int outputMode_ = 0;               // at opening
    QStringList downloaded_;
    bool loaded_ = false;
    bool activated_ = false;
    bool running_ = false;
    bool openRelayAfterRun_ = false;
    bool closed_ = false;
};

} // namespace ostrel
