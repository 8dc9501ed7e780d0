#pragma once
// Whether standard input is an operator's terminal (the one place that asks
// the platform).
namespace ostrel {
bool StdinIsTerminal();
} // namespace ostrel
