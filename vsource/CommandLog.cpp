#include "vsource/CommandLog.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace ostrel::vsource {

namespace {
constexpr size_t kKeptText = 4096; // the memory tail keeps long lines shorter
constexpr size_t kTypicalEntry = 96;
} // namespace

// The entries are allocated once, so that logging costs no allocation per line.
CommandLog::CommandLog(size_t keep) : ring_(keep) {
    for (std::string& entry : ring_)
        entry.reserve(kTypicalEntry);
}

CommandLog::~CommandLog() {
    if (file_) std::fclose(file_);
}

bool CommandLog::open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) error = "cannot write the log " + path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void CommandLog::add(double t, std::string_view channel, char direction, std::string_view text) {
    char stamp[40];
    char* end = std::to_chars(stamp, stamp + sizeof stamp - 1, t, std::chars_format::fixed, 6).ptr;
    *end++ = ' ';
    std::string& entry = ring_[next_];
    entry.assign(stamp, size_t(end - stamp));
    entry += channel;
    entry += ' ';
    entry += direction;
    entry += ' ';
    size_t prefix = entry.size();
    entry += text;
    if (file_) {
        entry += '\n';
        std::fwrite(entry.data(), 1, entry.size(), file_);
        std::fflush(file_);
        entry.pop_back();
    }
    if (entry.size() > prefix + kKeptText) {
        entry.resize(prefix + kKeptText);
        entry += "...";
    }
    next_ = (next_ + 1) % ring_.size();
    count_ = std::min(count_ + 1, ring_.size());
}

std::vector<std::string> CommandLog::tail(size_t n) const {
    n = std::min(n, count_);
    std::vector<std::string> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i)
        out.push_back(ring_[(next_ + ring_.size() - n + i) % ring_.size()]);
    return out;
}

} // namespace ostrel::vsource
