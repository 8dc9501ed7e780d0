#include "app/MessageBoxPrompt.h"

#include "config/FileNames.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace ostrel {

namespace {
QMessageBox::Icon boxIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString DialogFilter(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('('))) description += QStringLiteral(" (%1)").arg(patterns);
        filters.append(description);
    }
    if (filters.isEmpty() && !pipeFilter.isEmpty()) filters.append(pipeFilter);
    return filters.join(QStringLiteral(";;"));
}

MessageBoxPrompt::MessageBoxPrompt(const QString& title, QWidget* parent, StatusWriter status, QString folder)
    : title_(title), parent_(parent), folder_(std::move(folder)), status_(std::move(status)) {}

QWidget* MessageBoxPrompt::boxParent() const {
    if (auto* owner = qobject_cast<QWidget*>(this->owner())) return owner->window();
    return parent_;
}

QString MessageBoxPrompt::startPath(const QString& requested) const {
    if (folder_.isEmpty() || (!requested.isEmpty() && QFileInfo(requested).isAbsolute())) return requested;
    return requested.isEmpty() ? folder_ : QDir(folder_).filePath(requested);
}

void MessageBoxPrompt::showMessage(const QString& text, PromptIcon icon) {
    QMessageBox box(boxIcon(icon), title_, text, QMessageBox::Ok, boxParent());
    box.exec();
}

PromptAnswer MessageBoxPrompt::ask(const QString& text, PromptButtons buttons, int defaultButton,
                                   PromptIcon icon) {
    return askIn(title_, text, buttons, defaultButton, icon);
}

PromptAnswer MessageBoxPrompt::askTitled(const QString& title, const QString& text, PromptButtons buttons,
                                         int defaultButton, PromptIcon icon) {
    return askIn(title.isEmpty() ? title_ : title, text, buttons, defaultButton, icon);
}

std::optional<QString> MessageBoxPrompt::inputText(const QString& title, const QString& text,
                                                   const QString& initial) {
    bool ok = false;
    const QString typed = QInputDialog::getText(boxParent(), title.isEmpty() ? title_ : title, text,
                                                QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return typed;
}

PromptAnswer MessageBoxPrompt::askIn(const QString& title, const QString& text, PromptButtons buttons,
                                     int defaultButton, PromptIcon icon) {
    const bool yesNo = buttons == PromptButtons::YesNo;
    const auto first = yesNo ? QMessageBox::Yes : QMessageBox::Ok;
    const auto second = yesNo ? QMessageBox::No : QMessageBox::Cancel;
    QMessageBox box(boxIcon(icon), title, text, first | second, boxParent());
    box.setDefaultButton(defaultButton == 2 ? second : first);
    box.setEscapeButton(second);
    const int answer = box.exec();
    if (answer == first) return yesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    return yesNo ? PromptAnswer::No : PromptAnswer::Cancel;
}

void MessageBoxPrompt::setStatus(int panel, const QString& text) {
    if (status_) status_(panel, text);
}

void MessageBoxPrompt::setBusy(bool busy) {
    if (busy) {
        if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
        QApplication::restoreOverrideCursor();
    }
}

QString MessageBoxPrompt::chooseOpenFile(const FileRequest& request) {
    const QString title = request.title.isEmpty() ? title_ : request.title;
    return QFileDialog::getOpenFileName(boxParent(), title, startPath(request.initialPath),
                                        DialogFilter(request.filter));
}

QString MessageBoxPrompt::chooseSaveFile(const FileRequest& request) {
    const QString title = request.title.isEmpty() ? title_ : request.title;
    // Callers ask their own overwrite question, worded for what they save.
    const QString name =
        QFileDialog::getSaveFileName(boxParent(), title, startPath(request.initialPath),
                                     DialogFilter(request.filter), nullptr,
                                     QFileDialog::DontConfirmOverwrite);
    return request.defaultExtension.isEmpty() ? name
                                               : WithDefaultExtension(name, request.defaultExtension);
}

void MessageBoxPrompt::openDocument(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace ostrel
