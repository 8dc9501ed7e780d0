#pragma once
// A program object for a benchmark: silent prompt, settings and user files in
// a temporary folder, the link pointed at a source on a loopback LAN port.
#include "core/Program.h"

#include <QTemporaryDir>

#include <memory>

namespace ostrel::bench {

std::unique_ptr<Program> LanProgram(const QTemporaryDir& dir, quint16 port);

} // namespace ostrel::bench
