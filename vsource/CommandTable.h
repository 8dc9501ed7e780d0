#pragma once
// Header lookup: every command is written as SCPI documents it, for example
// "[SOURce:]VOLTage[:LEVel][:IMMediate][:AMPLitude]" or "INITiate[:IMMediate][:SEQuence#]"
// ('[ ]' optional node, '#' numeric suffix allowed, capitals the short form).
// Each optional-node variant becomes one key of short forms, so a lookup is a
// few dictionary finds, whatever the size of the table.
#include "vsource/ScpiParser.h"

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ostrel::vsource {

class Instrument;

enum Access : unsigned char { SetOnly = 1, QueryOnly = 2, SetAndQuery = 3 };

struct Call {
    bool query = false;
    int arg = 0; // the table entry's own argument
    std::array<int, kMaxNodes> suffix{};
    int nodeCount = 0;
    std::string_view parameterText;
    std::span<const std::string_view> params;
};

// Returns 0 or an error code for the queue; a reply is appended to `reply`.
using Handler = int (*)(Instrument&, const Call&, std::string& reply);

struct CommandDef {
    std::string_view pattern;
    Access access;
    Handler handler;
    int arg = 0;
};

class CommandTable {
public:
    // Throws std::logic_error when two patterns claim the same header.
    explicit CommandTable(std::span<const CommandDef> defs);

    // The command of a unit, with the numeric suffixes it carried (0 = none);
    // nullptr when the header is undefined or used in a form it lacks.
    const CommandDef* find(const MessageUnit& unit, std::array<int, kMaxNodes>& suffix) const;

private:
    struct Entry {
        const CommandDef* def;
        unsigned suffixMask; // bit i: node i may carry a numeric suffix
    };
    void addKeyword(std::string_view keyword);

    std::unordered_map<std::string, std::string> shortForm_; // any form, upper case -> short form
    std::unordered_map<std::string, Entry> entries_;
    mutable std::string key_;
    mutable std::string upper_;
};

} // namespace ostrel::vsource
