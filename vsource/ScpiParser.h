#pragma once
// Splits one program message (a line) into its message units, applying the
// SCPI path rule: a unit without a leading ':' continues at the node where the
// previous unit's header ended.
#include <array>
#include <string_view>
#include <vector>

namespace ostrel::vsource {

constexpr int kMaxNodes = 8;

struct MessageUnit {
    bool common = false; // "*IDN?" and friends
    bool query = false;
    int nodeCount = 0;
    std::array<std::string_view, kMaxNodes> nodes{}; // mnemonics as typed, path applied
    std::string_view parameters;                     // text after the header, trimmed
};

class MessageCursor {
public:
    explicit MessageCursor(std::string_view line) : rest_(line) {}

    // Next unit of the line. Returns false at the end of the line, or with
    // `error` set (a command error) when the unit cannot be parsed.
    bool next(MessageUnit& unit, int& error);

private:
    std::string_view rest_;
    std::array<std::string_view, kMaxNodes> path_{};
    int pathCount_ = 0;
};

// Splits a parameter text at commas outside quotes; each item trimmed.
void splitParameters(std::string_view text, std::vector<std::string_view>& out);

// A quoted string parameter without its quotes; other text unchanged.
std::string_view unquoted(std::string_view text);

} // namespace ostrel::vsource
