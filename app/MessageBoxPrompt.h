#pragma once
// The operator prompt as message boxes and file dialogs, every box titled
// with the program's message title.
#include "core/Prompt.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace ostrel {

class MessageBoxPrompt : public Prompt {
public:
    using StatusWriter = std::function<void(int panel, const QString& text)>;
    // `title` is read at every box, so a title changed after start is used.
    // Boxes belong to the prompt's owner, else to `parent`. A file dialog
    // without a path of its own starts in `folder`, and a relative one under it.
    MessageBoxPrompt(const QString& title, QWidget* parent, StatusWriter status = {},
                     QString folder = {});

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
    void openDocument(const QString& path) override;

private:
    PromptAnswer askIn(const QString& title, const QString& text, PromptButtons buttons, int defaultButton,
                       PromptIcon icon);
    QWidget* boxParent() const;
    QString startPath(const QString& requested) const;

    const QString& title_;
    QPointer<QWidget> parent_;
    QString folder_;
    StatusWriter status_;
    int busyDepth_ = 0;
};

// "Setup Files (*.stp)|*.stp|All Files (*.*)|*.*" as a file dialog filter.
QString DialogFilter(const QString& pipeFilter);

} // namespace ostrel
