#include "support/BenchProgram.h"

namespace ostrel::bench {

std::unique_ptr<Program> LanProgram(const QTemporaryDir& dir, quint16 port) {
    Paths paths;
    paths.userDir = dir.path();
    auto program = std::make_unique<Program>(
        std::make_unique<SilentPrompt>(),
        std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("settings.ini"))), paths);
    program->settings.link.bus = BusLan;
    program->settings.link.ipAddress = QStringLiteral("127.0.0.1");
    program->settings.link.socketPort = port;
    program->link.state.lanTimeoutMs = 1000;
    return program;
}

} // namespace ostrel::bench
