#pragma once
// A prompt for tests: records every call with its exact text and answers
// questions and file choices from a script. A question nobody scripted fails
// the running test at once instead of waiting for a click.
#include "core/Prompt.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace ostrel::test {

struct PromptCall {
    enum Kind { Message, Question, Status, Busy, OpenFile, SaveFile, TextInput, OpenDocument };
    PromptCall(Kind k, QString t) : kind(k), text(std::move(t)) {}
    Kind kind;
    QString text; // message or question text, status text, or the file dialog title
    QString title;   // a question's or text input's own box title ("" for the program's)
    QString initial; // the text a text input started from
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::YesNo;
    int defaultButton = 0;
    int panel = 0;
    bool busy = false;
    FileRequest file;
    QObject* owner = nullptr; // the window the box or dialog belongs to (none: the main window)
};

class ScriptedPrompt : public Prompt {
public:
    void answer(PromptAnswer a) { answers_.push_back(a); }
    void chooseFile(const QString& path) { files_.push_back(path); }
    // What the operator types at the next text input; nullopt cancels it.
    void type(std::optional<QString> text) { texts_.push_back(std::move(text)); }

    // What the operator does while a message box is up (pressing Abort, say).
    std::function<void(const QString& text)> whileShown;

    const QList<PromptCall>& calls() const { return calls_; }
    QStringList messages() const;  // texts of the message boxes, in order
    QStringList questions() const; // texts of the questions, in order
    QString status(int panel) const { return panel >= 0 && panel < 8 ? status_[panel] : QString(); }
    bool busy() const { return busyDepth_ > 0; }
    void clear() { calls_.clear(); }

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
    void openDocument(const QString& path) override { calls_.append(PromptCall{PromptCall::OpenDocument, path}); }

private:
    QString nextFile(const FileRequest& request, const char* what);

    QList<PromptCall> calls_;
    std::deque<PromptAnswer> answers_;
    std::deque<QString> files_;
    std::deque<std::optional<QString>> texts_;
    QString status_[8];
    int busyDepth_ = 0;
};

} // namespace ostrel::test
