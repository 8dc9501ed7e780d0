#include "support/ProgramFixture.h"

#include <QDir>

namespace ostrel::test {

ProgramFixture::ProgramFixture() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    prompt_ = prompt.get();
    Paths paths;
    paths.dataDir = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
    paths.userDir = dir_.filePath(QStringLiteral("user"));
    QDir().mkpath(paths.userDir);
    program_ = std::make_unique<Program>(std::move(prompt),
                                         std::make_unique<SettingsStore>(settingsPath()), paths);
}

} // namespace ostrel::test
