#include "vsource/Faults.h"

#include "vsource/ScpiValues.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace ostrel::vsource {

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

bool readInt(std::string_view text, int& out, int min) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= min;
}

bool readCount(const std::vector<std::string_view>& w, size_t at, int& out) {
    if (w.size() <= at) {
        out = 1;
        return true;
    }
    if (w[at] == "all") {
        out = kAlways;
        return true;
    }
    return readInt(w[at], out, 0);
}

} // namespace

bool applyFault(Faults& faults, std::string_view setting, FaultCommand& command,
                std::string& error) {
    command = FaultCommand{};
    // A refused text must leave every switch as it was, so the new values are read into a copy.
    Faults f = faults;
    std::vector<std::string_view> w = words(setting);
    auto bad = [&] {
        error = "bad fault '" + std::string(setting) + "'";
        return false;
    };
    if (w.empty()) return bad();
    std::string_view name = w[0];
    if (name == "clear" && w.size() == 1) {
        f = Faults{};
    } else if (name == "noreply" && w.size() <= 2) {
        if (!readCount(w, 1, f.noReply)) return bad();
    } else if (name == "noreply-match") {
        size_t at = setting.find("noreply-match") + 13;
        std::string_view text = trimmed(setting.substr(at));
        f.noReplyMatch.assign(text);
        for (char& c : f.noReplyMatch)
            c = upper(c);
    } else if (name == "late" && w.size() >= 2 && w.size() <= 3) {
        if (!readInt(w[1], f.lateMs, 0) || !readCount(w, 2, f.lateCount)) return bad();
    } else if (name == "split" && w.size() >= 2 && w.size() <= 4) {
        f.splitPieces = 3;
        if (!readInt(w[1], f.splitMs, 0) || (w.size() > 2 && !readInt(w[2], f.splitPieces, 2)) ||
            !readCount(w, 3, f.splitCount))
            return bad();
    } else if (name == "garbage" && w.size() <= 2) {
        if (!readCount(w, 1, f.garbageCount)) return bad();
    } else if (name == "crlf" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        f.crlf = w[1] == "on";
    } else if (name == "busy" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        f.busy = w[1] == "on";
    } else if (name == "drop" && w.size() == 2) {
        if (!readInt(w[1], f.dropAfter, 1)) return bad();
    } else if (name == "error" && w.size() >= 2) {
        // Every code this instrument raises is negative; 0 would sit in the queue as "No error".
        if (!readInt(w[1], command.code, -32768) || command.code >= 0) return bad();
        command.injectError = true;
        size_t at = setting.find(w[1]) + w[1].size();
        command.text = std::string(trimmed(setting.substr(at)));
        if (command.text.size() >= 2 && command.text.front() == '"' && command.text.back() == '"')
            command.text = command.text.substr(1, command.text.size() - 2);
    } else {
        return bad();
    }
    faults = f;
    return true;
}

bool takeCount(int& count) {
    if (count == kAlways) return true;
    if (count > 0) {
        --count;
        return true;
    }
    return false;
}

bool matchesNoReply(const Faults& f, std::string_view line) {
    if (f.noReplyMatch.empty() || line.size() < f.noReplyMatch.size()) return false;
    auto it = std::search(line.begin(), line.end(), f.noReplyMatch.begin(), f.noReplyMatch.end(),
                          [](char a, char b) { return upper(a) == b; });
    return it != line.end();
}

bool answersBusy(const Faults& f, std::string_view line) {
    static constexpr std::string_view kQuery = "TRIG:STAT?";
    if (!f.busy) return false;
    auto it = std::search(line.begin(), line.end(), kQuery.begin(), kQuery.end(),
                          [](char a, char b) { return upper(a) == b; });
    return it != line.end();
}

void fillGarbage(std::string& out, size_t length, std::mt19937& random) {
    out.clear();
    std::uniform_int_distribution<int> byte(0, 255);
    while (out.size() < length) {
        char c = char(byte(random));
        if (c != '\n') out += c;
    }
}

} // namespace ostrel::vsource
