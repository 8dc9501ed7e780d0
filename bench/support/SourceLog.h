#pragma once
// The virtual source's command log through its control port: every line it
// received, with the time it arrived on the source's clock.
#include "support/RawSocket.h"

#include <string>
#include <vector>

namespace ostrel::bench {

struct ReceivedLine {
    double t = 0;         // seconds on the source's clock
    std::string channel;  // "TCP", "PTY", "GPIB", "CONTROL"
    std::string text;     // without trailing blanks
};

// The last `count` log entries that are lines received ("<").
std::vector<ReceivedLine> ReceivedLines(LineClient& control, int count);

} // namespace ostrel::bench
