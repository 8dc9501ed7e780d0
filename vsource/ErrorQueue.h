#pragma once
// The instrument's SCPI error queue: first in, first out, bounded; when full
// the newest entry becomes -350 "Queue overflow".
#include <deque>
#include <string>
#include <string_view>

namespace ostrel::vsource {

namespace err {
constexpr int CommandError = -100;
constexpr int InvalidCharacter = -101;
constexpr int SyntaxError = -102;
constexpr int DataTypeError = -104;
constexpr int ParameterNotAllowed = -108;
constexpr int MissingParameter = -109;
constexpr int UndefinedHeader = -113;
constexpr int InvalidSuffix = -131;
constexpr int ExecutionError = -200;
constexpr int TriggerIgnored = -211;
constexpr int InitIgnored = -213;
constexpr int SettingsConflict = -221;
constexpr int DataOutOfRange = -222;
constexpr int TooMuchData = -223;
constexpr int IllegalParameterValue = -224;
constexpr int ListsNotSameLength = -226;
constexpr int DataStale = -230;
constexpr int HardwareMissing = -241;
constexpr int MediaFull = -254;
constexpr int QueueOverflow = -350;
constexpr int InputBufferOverrun = -363;
} // namespace err

// The standard text of a code; "" for codes without one.
std::string_view errorText(int code);

// Command errors (-100 to -199) end the processing of the rest of a line.
inline bool isCommandError(int code) {
    return code <= -100 && code > -200;
}

struct ErrorEntry {
    int code;
    std::string text;
};

class ErrorQueue {
public:
    explicit ErrorQueue(size_t capacity = 30) : capacity_(capacity) {}

    void push(int code, std::string_view text = {});
    // Oldest entry, removed; {0, "No error"} when empty.
    ErrorEntry pop();
    void clear() { entries_.clear(); }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    size_t capacity_;
    std::deque<ErrorEntry> entries_;
};

} // namespace ostrel::vsource
