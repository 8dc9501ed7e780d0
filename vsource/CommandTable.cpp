#include "vsource/CommandTable.h"

#include <stdexcept>

namespace ostrel::vsource {

namespace {

struct PatternNode {
    std::string_view keyword;
    bool optional = false;
    bool suffix = false;
};

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

std::string upperOf(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        c = upper(c);
    return s;
}

std::string shortOf(std::string_view keyword) {
    std::string s;
    for (char c : keyword)
        if (!(c >= 'a' && c <= 'z')) s += c;
    return s;
}

std::vector<PatternNode> parsePattern(std::string_view pattern) {
    std::vector<PatternNode> nodes;
    bool optional = false;
    size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i];
        if (c == '[') {
            optional = true;
            ++i;
        } else if (c == ']') {
            optional = false;
            ++i;
        } else if (c == ':') {
            ++i;
        } else {
            size_t start = i;
            while (i < pattern.size() && pattern[i] != ':' && pattern[i] != '[' &&
                   pattern[i] != ']' && pattern[i] != '#')
                ++i;
            PatternNode node{pattern.substr(start, i - start), optional, false};
            if (i < pattern.size() && pattern[i] == '#') {
                node.suffix = true;
                ++i;
            }
            nodes.push_back(node);
        }
    }
    return nodes;
}

} // namespace

void CommandTable::addKeyword(std::string_view keyword) {
    std::string shortForm = shortOf(keyword);
    for (const std::string& form : {upperOf(keyword), shortForm}) {
        auto [it, inserted] = shortForm_.emplace(form, shortForm);
        if (!inserted && it->second != shortForm)
            throw std::logic_error("ambiguous SCPI keyword " + form);
    }
}

CommandTable::CommandTable(std::span<const CommandDef> defs) {
    for (const CommandDef& def : defs) {
        std::vector<PatternNode> nodes = parsePattern(def.pattern);
        std::vector<size_t> optionalAt;
        for (size_t i = 0; i < nodes.size(); ++i) {
            addKeyword(nodes[i].keyword);
            if (nodes[i].optional) optionalAt.push_back(i);
        }
        for (unsigned variant = 0; variant < (1u << optionalAt.size()); ++variant) {
            std::string key;
            unsigned mask = 0;
            int position = 0;
            size_t optionalIndex = 0;
            for (size_t i = 0; i < nodes.size(); ++i) {
                if (nodes[i].optional && !(variant & (1u << optionalIndex++))) continue;
                if (!key.empty()) key += ':';
                key += shortOf(nodes[i].keyword);
                if (nodes[i].suffix) mask |= 1u << position;
                ++position;
            }
            auto [it, inserted] = entries_.emplace(key, Entry{&def, mask});
            if (!inserted && it->second.def != &def)
                throw std::logic_error("two commands claim the SCPI header " + key);
        }
    }
}

const CommandDef* CommandTable::find(const MessageUnit& unit,
                                      std::array<int, kMaxNodes>& suffix) const {
    key_.clear();
    suffix.fill(0);
    unsigned suffixUsed = 0;
    for (int i = 0; i < unit.nodeCount; ++i) {
        std::string_view node = unit.nodes[size_t(i)];
        upper_.assign(node);
        for (char& c : upper_)
            c = upper(c);
        auto it = shortForm_.find(upper_);
        if (it == shortForm_.end()) {
            size_t digits = upper_.size();
            while (digits > 0 && upper_[digits - 1] >= '0' && upper_[digits - 1] <= '9')
                --digits;
            if (digits == upper_.size() || digits == 0 || upper_.size() - digits > 6)
                return nullptr;
            int value = 0;
            for (size_t k = digits; k < upper_.size(); ++k)
                value = value * 10 + (upper_[k] - '0');
            upper_.resize(digits);
            it = shortForm_.find(upper_);
            if (it == shortForm_.end()) return nullptr;
            suffix[size_t(i)] = value;
            suffixUsed |= 1u << i;
        }
        if (i > 0) key_ += ':';
        key_ += it->second;
    }
    auto entry = entries_.find(key_);
    if (entry == entries_.end() || (suffixUsed & ~entry->second.suffixMask) != 0) return nullptr;
    const CommandDef* def = entry->second.def;
    if (unit.query ? !(def->access & QueryOnly) : !(def->access & SetOnly)) return nullptr;
    return def;
}

} // namespace ostrel::vsource
