#include "vsource/VirtualSource.h"

#include "vsource/ControlServer.h"
#include "vsource/GpibTransport.h"
#include "vsource/Platform.h"
#include "vsource/PtyTransport.h"
#include "vsource/SettingsReport.h"
#include "vsource/TcpTransport.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace ostrel::vsource {

namespace {

std::string_view firstWord(std::string_view& rest) {
    rest = trimmed(rest);
    size_t end = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : trimmed(rest.substr(end));
    return word;
}

void printLine(const QString& line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

VirtualSource::VirtualSource(LaunchOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), clock_(options_.timeScale),
      random_(options_.instrument.seed), scheduledFor_(kInfinity) {
    engineTimer_.setSingleShot(true);
    engineTimer_.setTimerType(Qt::PreciseTimer);
    connect(&engineTimer_, &QTimer::timeout, this, &VirtualSource::onEngineTimer);
}

VirtualSource::~VirtualSource() = default;

bool VirtualSource::start(QString& error) {
    std::string message;
    if (!options_.timelinePath.isEmpty() &&
        !timeline_.open(options_.timelinePath.toStdString(), message)) {
        error = QString::fromStdString(message);
        return false;
    }
    if (!options_.logPath.isEmpty() && !log_.open(options_.logPath.toStdString(), message)) {
        error = QString::fromStdString(message);
        return false;
    }
    instrument_ = std::make_unique<Instrument>(options_.instrument, clock_,
                                               timeline_.isOpen() ? &timeline_ : nullptr);
    for (const QString& setting : options_.faults) {
        if (!applyFault(setting.toStdString(), message)) {
            error = QString::fromStdString(message);
            return false;
        }
    }

    QHostAddress address;
    if (!address.setAddress(options_.listen)) {
        error = QStringLiteral("bad listen address %1").arg(options_.listen);
        return false;
    }
    tcp_ = std::make_unique<TcpTransport>(*this);
    if (!tcp_->listen(address, quint16(options_.port), error)) return false;
    if (options_.pty) {
        pty_ = std::make_unique<PtyTransport>(*this);
        if (!pty_->open(error)) return false;
    }
    if (options_.gpib) {
        gpib_ = std::make_unique<GpibTransport>(*this);
        if (!gpib_->listen(options_.gpibPath, error)) return false;
    }
    control_ = std::make_unique<ControlServer>(*this);
    if (!control_->listen(quint16(options_.controlPort), error)) return false;

    if (qintptr fd = platform::terminationSignals(); fd >= 0) {
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
    }
    if (options_.exitWithStdin) {
        if (qintptr fd = platform::standardInput(); fd >= 0) {
            auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [notifier] {
                if (platform::standardInputClosed()) {
                    notifier->setEnabled(false);
                    QCoreApplication::quit();
                }
            });
        }
    }

    printLine(QStringLiteral("TCP %1:%2").arg(options_.listen).arg(tcp_->port()));
    if (pty_) printLine(QStringLiteral("PTY %1").arg(pty_->path()));
    if (gpib_) printLine(QStringLiteral("GPIB %1").arg(gpib_->path()));
    printLine(QStringLiteral("CONTROL 127.0.0.1:%1").arg(control_->port()));
    printLine(QStringLiteral("READY"));
    return true;
}

void VirtualSource::log(std::string_view channel, char direction, std::string_view text) {
    log_.add(clock_.now(), channel, direction, text);
}

void VirtualSource::scheduleEngine() {
    double t = instrument_->nextEventTime();
    if (std::isinf(t)) {
        engineTimer_.stop();
        scheduledFor_ = kInfinity;
        return;
    }
    if (t == scheduledFor_ && engineTimer_.isActive()) return;
    scheduledFor_ = t;
    engineTimer_.start(std::max(0, int(std::ceil(clock_.realMsUntil(t)))));
}

void VirtualSource::onEngineTimer() {
    scheduledFor_ = kInfinity;
    instrument_->advance(clock_.now());
    scheduleEngine();
}

bool VirtualSource::applyFault(std::string_view setting, std::string& error) {
    FaultCommand command;
    if (!vsource::applyFault(faults_, setting, command, error)) return false;
    if (command.injectError) instrument_->pushError(command.code, command.text);
    return true;
}

std::string VirtualSource::control(std::string_view line) {
    std::string_view rest = line;
    std::string_view command = firstWord(rest);
    if (command != "log") log("CONTROL", '<', line);
    std::string out;
    std::string error;
    if (command == "fault") {
        if (!applyFault(rest, error)) return "ERR " + error + "\n";
    } else if (command == "trigger") {
        // "trigger bus" stands in for a GET from a program that holds the only connection.
        const std::string_view from = firstWord(rest);
        if (!from.empty() && from != "bus" && from != "ext") return "ERR trigger bus|ext\n";
        const TriggerSource source = from == "bus" ? TriggerSource::Bus : TriggerSource::External;
        if (instrument_->trigger(source) != 0) return "ERR trigger ignored\n";
        scheduleEngine();
    } else if (command == "load") {
        int phase = 0;
        std::string_view word = rest.substr(0, rest.find_first_of(" \t"));
        if (word.size() == 1 && word[0] >= '1' && word[0] <= '3') {
            phase = word[0] - '0';
            firstWord(rest);
        }
        LoadModel load = instrument_->loads[size_t(phase == 0 ? 0 : phase - 1)];
        if (!parseLoad(rest, load, error)) return "ERR " + error + "\n";
        instrument_->setLoad(phase, load);
    } else if (command == "log") {
        size_t n = 20;
        if (!rest.empty()) {
            auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
            if (ec != std::errc() || end != rest.data() + rest.size()) return "ERR bad count\n";
        }
        for (const std::string& entry : log_.tail(n)) {
            out += entry;
            out += '\n';
        }
    } else if (command == "state?") {
        instrument_->advance(clock_.now());
        out += instrument_->describe();
        out += '\n';
    } else if (command == "modes?") {
        out += instrument_->modes();
        out += '\n';
    } else if (command == "settings?") {
        instrument_->advance(clock_.now());
        out += describeSettings(*instrument_);
    } else if (command == "waves?") {
        out += describeWaves(*instrument_);
    } else if (command == "remote?") {
        static constexpr std::string_view kRemote[] = {"LOCAL", "REMOTE", "RWLOCK"};
        out += kRemote[int(instrument_->state.remote)];
        out += '\n';
    } else if (command == "time?") {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.6f\n", clock_.now());
        out += buffer;
    } else if (command == "help") {
        out += "fault SPEC | trigger | load [PHASE] SPEC | log [N] | state? | modes? | settings? | waves? | remote? | time?\n";
    } else {
        return "ERR unknown command\n";
    }
    return out + "OK\n";
}

} // namespace ostrel::vsource
