#include "vsource/ScpiParser.h"

#include "vsource/ErrorQueue.h"
#include "vsource/ScpiValues.h"

namespace ostrel::vsource {

namespace {

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// End of the unit: the first ';' outside quotes.
size_t unitEnd(std::string_view text) {
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            return i;
        }
    }
    return text.size();
}

} // namespace

bool MessageCursor::next(MessageUnit& unit, int& error) {
    error = 0;
    for (;;) {
        if (rest_.empty()) return false;
        size_t end = unitEnd(rest_);
        std::string_view text = trimmed(rest_.substr(0, end));
        rest_ = end < rest_.size() ? rest_.substr(end + 1) : std::string_view{};
        if (text.empty()) continue; // empty units and a trailing ';' are harmless

        unit = MessageUnit{};
        size_t i = 0;
        if (text[0] == '*') {
            unit.common = true;
            i = 1;
            while (i < text.size() && isLetter(text[i]))
                ++i;
            if (i == 1) {
                error = err::SyntaxError;
                return false;
            }
            unit.nodes[0] = text.substr(0, i);
            unit.nodeCount = 1;
        } else {
            bool absolute = text[0] == ':';
            if (absolute) i = 1;
            int count = 0;
            if (!absolute) {
                for (int k = 0; k < pathCount_; ++k)
                    unit.nodes[size_t(count++)] = path_[size_t(k)];
            }
            for (;;) {
                size_t start = i;
                if (i >= text.size() || !isLetter(text[i])) {
                    error = err::SyntaxError;
                    return false;
                }
                while (i < text.size() && (isLetter(text[i]) || isDigit(text[i]) || text[i] == '_'))
                    ++i;
                if (count >= kMaxNodes) {
                    error = err::UndefinedHeader;
                    return false;
                }
                unit.nodes[size_t(count++)] = text.substr(start, i - start);
                if (i < text.size() && text[i] == ':') {
                    ++i;
                    continue;
                }
                break;
            }
            unit.nodeCount = count;
            pathCount_ = count - 1;
            for (int k = 0; k < pathCount_; ++k)
                path_[size_t(k)] = unit.nodes[size_t(k)];
        }
        if (i < text.size() && text[i] == '?') {
            unit.query = true;
            ++i;
        }
        if (i < text.size()) {
            if (!isSpace(text[i])) {
                error = err::SyntaxError;
                return false;
            }
            unit.parameters = trimmed(text.substr(i));
        }
        return true;
    }
}

void splitParameters(std::string_view text, std::vector<std::string_view>& out) {
    out.clear();
    text = trimmed(text);
    if (text.empty()) return;
    char quote = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ',') {
            out.push_back(trimmed(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    out.push_back(trimmed(text.substr(start)));
}

std::string_view unquoted(std::string_view text) {
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        return text.substr(1, text.size() - 2);
    return text;
}

} // namespace ostrel::vsource
