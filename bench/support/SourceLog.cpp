#include "support/SourceLog.h"

namespace ostrel::bench {

std::vector<ReceivedLine> ReceivedLines(LineClient& control, int count) {
    std::vector<ReceivedLine> lines;
    if (!control.write("log " + std::to_string(count) + "\n")) return lines;
    std::string line;
    while (control.readLine(line) && line != "OK") {
        // "<seconds> <channel> <direction> <text>"
        const size_t a = line.find(' '), b = line.find(' ', a + 1), c = line.find(' ', b + 1);
        if (c == std::string::npos || line.compare(b + 1, 1, "<") != 0) continue;
        std::string text = line.substr(c + 1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.pop_back();
        lines.push_back({std::stod(line.substr(0, a)), line.substr(a + 1, b - a - 1), text});
    }
    return lines;
}

} // namespace ostrel::bench
