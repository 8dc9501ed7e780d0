#include "vsource/Channel.h"

#include "vsource/ErrorQueue.h"
#include "vsource/VirtualSource.h"

#include <algorithm>

namespace ostrel::vsource {

namespace {
// Longer lines than this are thrown away with -363; a waveform line is far shorter.
constexpr size_t kMaxLine = 1 << 20;
} // namespace

Channel::Channel(VirtualSource& source, std::string name, QObject* parent)
    : QObject(parent), source_(source), name_(std::move(name)) {
    pendingTimer_.setSingleShot(true);
    pendingTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pendingTimer_, &QTimer::timeout, this, &Channel::writeDue);
    elapsed_.start();
}

void Channel::receive(const char* data, qint64 size) {
    input_.append(data, size_t(size));
    size_t start = 0;
    for (;;) {
        size_t lf = input_.find('\n', start);
        if (lf == std::string::npos) break;
        std::string_view line(input_.data() + start, lf - start);
        start = lf + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        handleLine(line);
        if (closed_) return;
    }
    input_.erase(0, start);
    if (input_.size() > kMaxLine) {
        input_.clear();
        source_.instrument().pushError(err::InputBufferOverrun);
    }
}

void Channel::endOfMessage() {
    if (input_.empty()) return;
    std::string line;
    line.swap(input_);
    handleLine(line);
}

void Channel::clearDevice() {
    input_.clear();
    pending_.clear();
    pendingTimer_.stop();
}

void Channel::handleLine(std::string_view line) {
    Faults& faults = source_.faults();
    if (faults.dropAfter > 0 && --faults.dropAfter == 0) {
        source_.log(name_, '!', "connection dropped by fault");
        closeConnection();
        return;
    }
    if (!source_.accepting()) {
        source_.log(name_, '!', std::string("ignored while resetting: ").append(line));
        return;
    }
    source_.log(name_, '<', line);
    reply_.clear();
    const bool answered = source_.instrument().executeLine(line, reply_);
    source_.scheduleEngine();
    if (answered) deliver(line);
}

void Channel::deliver(std::string_view line) {
    Faults& faults = source_.faults();
    if (takeCount(faults.noReply) || matchesNoReply(faults, line)) {
        source_.log(name_, '!', "no reply by fault");
        return;
    }
    if (answersBusy(faults, line)) {
        reply_ = "BUSY";
        source_.log(name_, '!', "BUSY by fault");
    }
    if (takeCount(faults.garbageCount)) {
        fillGarbage(reply_, std::max<size_t>(reply_.size(), 8), source_.random());
        source_.log(name_, '!', "garbage reply by fault");
    }
    source_.log(name_, '>', reply_);
    reply_ += faults.crlf ? "\r\n" : "\n";
    const bool late = takeCount(faults.lateCount);
    const bool split = takeCount(faults.splitCount);
    if (!late && !split && pending_.empty()) {
        writeBytes(reply_.data(), qint64(reply_.size()));
        return;
    }
    qint64 due = elapsed_.elapsed() + (late ? faults.lateMs : 0);
    if (!pending_.empty()) due = std::max(due, pending_.back().dueMs);
    if (split) {
        size_t pieces = std::min<size_t>(size_t(faults.splitPieces), reply_.size());
        size_t size = (reply_.size() + pieces - 1) / pieces;
        for (size_t at = 0; at < reply_.size(); at += size, due += faults.splitMs)
            pending_.push_back({due, reply_.substr(at, size)});
    } else {
        pending_.push_back({due, reply_});
    }
    writeDue();
}

void Channel::writeDue() {
    const qint64 now = elapsed_.elapsed();
    while (!pending_.empty() && pending_.front().dueMs <= now) {
        const std::string& bytes = pending_.front().bytes;
        writeBytes(bytes.data(), qint64(bytes.size()));
        pending_.pop_front();
        if (closed_) return;
    }
    if (!pending_.empty()) pendingTimer_.start(int(pending_.front().dueMs - now));
}

} // namespace ostrel::vsource
