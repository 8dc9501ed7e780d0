#include "core/Program.h"

namespace ostrel {

Program::Program(std::unique_ptr<Prompt> prompt, std::unique_ptr<SettingsStore> store, Paths paths)
    : paths(std::move(paths)), prompt_(std::move(prompt)), store_(std::move(store)) {
    settings.waveformLibrary = this->paths.userFile(QStringLiteral("Waveform Library"));
}

} // namespace ostrel
