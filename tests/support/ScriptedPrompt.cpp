#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace ostrel::test {

QStringList ScriptedPrompt::messages() const {
    QStringList out;
    for (const PromptCall& c : calls_)
        if (c.kind == PromptCall::Message) out.append(c.text);
    return out;
}

QStringList ScriptedPrompt::questions() const {
    QStringList out;
    for (const PromptCall& c : calls_)
        if (c.kind == PromptCall::Question) out.append(c.text);
    return out;
}

void ScriptedPrompt::showMessage(const QString& text, PromptIcon icon) {
    PromptCall c{PromptCall::Message, text};
    c.owner = owner();
    c.icon = icon;
    calls_.append(c);
    if (whileShown) whileShown(text);
}

PromptAnswer ScriptedPrompt::ask(const QString& text, PromptButtons buttons, int defaultButton,
                                 PromptIcon icon) {
    PromptCall c{PromptCall::Question, text};
    c.owner = owner();
    c.icon = icon;
    c.buttons = buttons;
    c.defaultButton = defaultButton;
    calls_.append(c);
    if (answers_.empty()) {
        ADD_FAILURE() << "Unscripted question: " << text.toStdString();
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
    const PromptAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

PromptAnswer ScriptedPrompt::askTitled(const QString& title, const QString& text, PromptButtons buttons,
                                       int defaultButton, PromptIcon icon) {
    const PromptAnswer a = ask(text, buttons, defaultButton, icon);
    calls_.last().title = title;
    return a;
}

std::optional<QString> ScriptedPrompt::inputText(const QString& title, const QString& text,
                                                 const QString& initial) {
    PromptCall c{PromptCall::TextInput, text};
    c.owner = owner();
    c.title = title;
    c.initial = initial;
    calls_.append(c);
    if (texts_.empty()) {
        ADD_FAILURE() << "Unscripted text input: " << text.toStdString();
        return std::nullopt;
    }
    std::optional<QString> typed = texts_.front();
    texts_.pop_front();
    return typed;
}

void ScriptedPrompt::setStatus(int panel, const QString& text) {
    PromptCall c{PromptCall::Status, text};
    c.panel = panel;
    calls_.append(c);
    if (panel >= 0 && panel < 8) status_[panel] = text;
}

void ScriptedPrompt::setBusy(bool busy) {
    PromptCall c{PromptCall::Busy, {}};
    c.busy = busy;
    calls_.append(c);
    busyDepth_ += busy ? 1 : -1;
    EXPECT_GE(busyDepth_, 0) << "busy cursor switched off more often than on";
}

QString ScriptedPrompt::nextFile(const FileRequest& request, const char* what) {
    if (files_.empty()) {
        ADD_FAILURE() << "Unscripted " << what << " file choice: " << request.title.toStdString();
        return {};
    }
    const QString path = files_.front();
    files_.pop_front();
    return path;
}

QString ScriptedPrompt::chooseOpenFile(const FileRequest& request) {
    PromptCall c{PromptCall::OpenFile, request.title};
    c.owner = owner();
    c.file = request;
    calls_.append(c);
    return nextFile(request, "open");
}

QString ScriptedPrompt::chooseSaveFile(const FileRequest& request) {
    PromptCall c{PromptCall::SaveFile, request.title};
    c.owner = owner();
    c.file = request;
    calls_.append(c);
    return nextFile(request, "save");
}

} // namespace ostrel::test
