#pragma once
// The program's prompt speaking for one window: every box and file dialog it
// opens belongs to that window, whichever window the operator used last.
#include "core/Prompt.h"

namespace ostrel {

struct Program;

class WindowPrompt : public Prompt {
public:
    WindowPrompt(Program& program, QObject* window) : program_(program), window_(window) {}

    void showMessage(const QString& text, PromptIcon icon) override;
    PromptAnswer ask(const QString& text, PromptButtons buttons, int defaultButton,
                     PromptIcon icon) override;
    PromptAnswer askTitled(const QString& title, const QString& text, PromptButtons buttons,
                           int defaultButton, PromptIcon icon) override;
    std::optional<QString> inputText(const QString& title, const QString& text,
                                     const QString& initial) override;
    void setStatus(int panel, const QString& text) override;
    void setBusy(bool busy) override;
    QString chooseOpenFile(const FileRequest& request) override;
    QString chooseSaveFile(const FileRequest& request) override;

private:
    Program& program_; // its prompt is looked up at each call: the windows replace it after start
    QObject* window_;
};

} // namespace ostrel
