#include "vsource/ErrorQueue.h"

namespace ostrel::vsource {

std::string_view errorText(int code) {
    switch (code) {
    case 0:
        return "No error";
    case -100:
        return "Command error";
    case -101:
        return "Invalid character";
    case -102:
        return "Syntax error";
    case -103:
        return "Invalid separator";
    case -104:
        return "Data type error";
    case -108:
        return "Parameter not allowed";
    case -109:
        return "Missing parameter";
    case -113:
        return "Undefined header";
    case -114:
        return "Header suffix out of range";
    case -131:
        return "Invalid suffix";
    case -200:
        return "Execution error";
    case -211:
        return "Trigger ignored";
    case -213:
        return "Init ignored";
    case -221:
        return "Settings conflict";
    case -222:
        return "Data out of range";
    case -223:
        return "Too much data";
    case -230:
        return "Data corrupt or stale";
    case -224:
        return "Illegal parameter value";
    case -226:
        return "Lists not same length";
    case -241:
        return "Hardware missing";
    case -254:
        return "Media full";
    case -256:
        return "File name not found";
    case -310:
        return "System error";
    case -330:
        return "Self-test failed";
    case -350:
        return "Queue overflow";
    case -363:
        return "Input buffer overrun";
    case -410:
        return "Query INTERRUPTED";
    default:
        return {};
    }
}

void ErrorQueue::push(int code, std::string_view text) {
    if (text.empty()) text = errorText(code);
    if (entries_.size() >= capacity_) {
        entries_.back() = {err::QueueOverflow, std::string(errorText(err::QueueOverflow))};
        return;
    }
    entries_.push_back({code, std::string(text)});
}

ErrorEntry ErrorQueue::pop() {
    if (entries_.empty()) return {0, std::string(errorText(0))};
    ErrorEntry e = std::move(entries_.front());
    entries_.pop_front();
    return e;
}

} // namespace ostrel::vsource
