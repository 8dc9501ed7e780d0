#pragma once
// The running program: one instrument served on every transport at once, the
// control port, the records it writes and the timer that lets virtual time
// move the instrument between commands.
#include "vsource/CommandLog.h"
#include "vsource/Faults.h"
#include "vsource/Instrument.h"
#include "vsource/Options.h"
#include "vsource/Timeline.h"
#include "vsource/VirtualClock.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <random>

namespace ostrel::vsource {

class ControlServer;
class GpibTransport;
class PtyTransport;
class TcpTransport;

class VirtualSource : public QObject {
    Q_OBJECT
public:
    explicit VirtualSource(LaunchOptions options, QObject* parent = nullptr);
    ~VirtualSource() override;

    // Opens the records and every transport, then prints where they listen.
    bool start(QString& error);

    Instrument& instrument() { return *instrument_; }
    Faults& faults() { return faults_; }
    std::mt19937& random() { return random_; }
    bool accepting() const { return clock_.realSeconds() >= instrument_->resetUntil(); }
    void log(std::string_view channel, char direction, std::string_view text);
    // Wakes the instrument at its next change in virtual time.
    void scheduleEngine();

    // A control-port command; the reply ends with a line "OK" or "ERR <message>".
    std::string control(std::string_view line);

private:
    void onEngineTimer();
    bool applyFault(std::string_view setting, std::string& error);

    LaunchOptions options_;
    VirtualClock clock_;
    Timeline timeline_;
    CommandLog log_;
    Faults faults_;
    std::mt19937 random_;
    std::unique_ptr<Instrument> instrument_;
    QTimer engineTimer_;
    double scheduledFor_;
    std::unique_ptr<TcpTransport> tcp_;
    std::unique_ptr<PtyTransport> pty_;
    std::unique_ptr<GpibTransport> gpib_;
    std::unique_ptr<ControlServer> control_;
};

} // namespace ostrel::vsource
