#include "app/WindowPrompt.h"

#include "core/Program.h"

namespace ostrel {

void WindowPrompt::showMessage(const QString& text, PromptIcon icon) {
    const PromptOwner owner(program_.prompt(), window_);
    program_.prompt().showMessage(text, icon);
}

PromptAnswer WindowPrompt::ask(const QString& text, PromptButtons buttons, int defaultButton, PromptIcon icon) {
    const PromptOwner owner(program_.prompt(), window_);
    return program_.prompt().ask(text, buttons, defaultButton, icon);
}

PromptAnswer WindowPrompt::askTitled(const QString& title, const QString& text, PromptButtons buttons,
                                     int defaultButton, PromptIcon icon) {
    const PromptOwner owner(program_.prompt(), window_);
    return program_.prompt().askTitled(title, text, buttons, defaultButton, icon);
}

std::optional<QString> WindowPrompt::inputText(const QString& title, const QString& text, const QString& initial) {
    const PromptOwner owner(program_.prompt(), window_);
    return program_.prompt().inputText(title, text, initial);
}

void WindowPrompt::setStatus(int panel, const QString& text) { program_.prompt().setStatus(panel, text); }

void WindowPrompt::setBusy(bool busy) { program_.prompt().setBusy(busy); }

QString WindowPrompt::chooseOpenFile(const FileRequest& request) {
    const PromptOwner owner(program_.prompt(), window_);
    return program_.prompt().chooseOpenFile(request);
}

QString WindowPrompt::chooseSaveFile(const FileRequest& request) {
    const PromptOwner owner(program_.prompt(), window_);
    return program_.prompt().chooseSaveFile(request);
}

} // namespace ostrel
