#pragma once
// Every word the program says to the operator goes through this interface:
// the windows install message boxes, the tests a scripted prompt.
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

namespace ostrel {

enum class PromptIcon { None, Exclamation, Information, Critical, Question };
enum class PromptButtons { YesNo, OkCancel };
enum class PromptAnswer { Yes, No, Ok, Cancel };

struct FileRequest {
    QString title;
    // Pairs of description and pattern separated by "|", for example
    // "Setup Files (*.stp)|*.stp|All Files (*.*)|*.*".
    QString filter;
    QString defaultExtension; // without the dot; appended to a name that has none
    QString initialPath;
};

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void showMessage(const QString& text, PromptIcon icon) = 0;
    // defaultButton 1 or 2: which of the two buttons Enter presses.
    virtual PromptAnswer ask(const QString& text, PromptButtons buttons, int defaultButton,
                             PromptIcon icon = PromptIcon::Question) = 0;
    // The same question in a box with a title of its own instead of the program's.
    virtual PromptAnswer askTitled(const QString& title, const QString& text, PromptButtons buttons,
                                   int defaultButton, PromptIcon icon = PromptIcon::Question) = 0;
    // A line of text from the operator, starting from `initial`; nothing when they cancel.
    // An empty title: the program's.
    virtual std::optional<QString> inputText(const QString& title, const QString& text,
                                             const QString& initial = {}) = 0;
    // Status-bar panels are numbered from 1, as the operator sees them.
    virtual void setStatus(int panel, const QString& text) = 0;
    virtual void setBusy(bool busy) = 0;
    // "" when the operator cancels.
    virtual QString chooseOpenFile(const FileRequest& request) = 0;
    virtual QString chooseSaveFile(const FileRequest& request) = 0;
    // Leaves a document the program wrote open for the operator (a report).
    virtual void openDocument(const QString& path) { (void)path; }

    // The window the next box or file dialog belongs to; none: the main window.
    QObject* owner() const { return owner_; }

private:
    friend class PromptOwner;
    QPointer<QObject> owner_;
};

// While it lives, the prompt's boxes and file dialogs belong to `window`; the
// owner before it comes back afterwards, so owners nest with the event loops.
class PromptOwner {
public:
    PromptOwner(Prompt& prompt, QObject* window) : prompt_(prompt), previous_(prompt.owner_) {
        prompt_.owner_ = window;
    }
    ~PromptOwner() { prompt_.owner_ = previous_; }
    PromptOwner(const PromptOwner&) = delete;
    PromptOwner& operator=(const PromptOwner&) = delete;

private:
    Prompt& prompt_;
    QPointer<QObject> previous_;
};

// A prompt that says nothing and answers "no": for the command-line tools.
class SilentPrompt : public Prompt {
public:
    void showMessage(const QString&, PromptIcon) override {}
    PromptAnswer ask(const QString&, PromptButtons buttons, int, PromptIcon) override {
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
    PromptAnswer askTitled(const QString&, const QString& text, PromptButtons buttons, int defaultButton,
                           PromptIcon icon) override {
        return ask(text, buttons, defaultButton, icon);
    }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    void setStatus(int, const QString&) override {}
    void setBusy(bool) override {}
    QString chooseOpenFile(const FileRequest&) override { return {}; }
    QString chooseSaveFile(const FileRequest&) override { return {}; }
};

} // namespace ostrel
