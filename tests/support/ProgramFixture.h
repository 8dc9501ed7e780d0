#pragma once
// A fresh program object per test: scripted prompt, settings in a temporary
// INI file, shipped data from the source tree, user files in a temporary folder.
#include "core/Program.h"
#include "support/ScriptedPrompt.h"

#include <QTemporaryDir>

#include <memory>

namespace ostrel::test {

class ProgramFixture {
public:
    ProgramFixture();

    Program& program() { return *program_; }
    ScriptedPrompt& prompt() { return *prompt_; }
    QString tempPath(const QString& name) const { return dir_.filePath(name); }
    QString settingsPath() const { return tempPath(QStringLiteral("settings.ini")); }

private:
    QTemporaryDir dir_;
    ScriptedPrompt* prompt_ = nullptr;
    std::unique_ptr<Program> program_;
};

} // namespace ostrel::test
