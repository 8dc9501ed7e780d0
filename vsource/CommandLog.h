#pragma once
// Every line received and every reply sent: to a file when asked, and the
// most recent entries in memory for the control port.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::vsource {

class CommandLog {
public:
    explicit CommandLog(size_t keep = 20000);
    ~CommandLog();
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;

    bool open(const std::string& path, std::string& error);

    // direction '<' received, '>' sent, '!' a note (fault, ignored line)
    void add(double t, std::string_view channel, char direction, std::string_view text);

    // The last n entries, oldest first.
    std::vector<std::string> tail(size_t n) const;

private:
    std::vector<std::string> ring_;
    size_t next_ = 0;
    size_t count_ = 0;
    std::FILE* file_ = nullptr;
};

} // namespace ostrel::vsource
