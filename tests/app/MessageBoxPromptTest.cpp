#include "app/MessageBoxPrompt.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {
// Looks at the box that opens next, then presses one of its buttons.
void inspectNextBox(std::function<void(QMessageBox*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        inspect(box);
    });
}
} // namespace

TEST(MessageBoxPrompt, EveryBoxCarriesTheMessageTitle) {
    QString title = QStringLiteral("Ostrel");
    MessageBoxPrompt prompt(title, nullptr);
    title = QStringLiteral("Lab Bench 3"); // changed after start, as the OEM file does

    inspectNextBox([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Lab Bench 3");
        EXPECT_EQ(box->text(), "Output is on");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->accept();
    });
    prompt.showMessage("Output is on", PromptIcon::Exclamation);

    inspectNextBox([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "Lab Bench 3");
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(prompt.ask("Proceed?", PromptButtons::YesNo, 2, PromptIcon::Question),
              PromptAnswer::Yes);

    inspectNextBox([](QMessageBox* box) {
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(prompt.ask("Start?", PromptButtons::OkCancel, 1, PromptIcon::Question),
              PromptAnswer::Cancel);
}

TEST(MessageBoxPrompt, BoxesAndFileDialogsBelongToTheWindowThatAsksAndStartInTheUserFolder) {
    QString title = QStringLiteral("Ostrel");
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("setups"));
    QWidget main, capture;
    auto* graph = new QWidget(&capture);
    MessageBoxPrompt prompt(title, &main, {}, folder.path());

    // What opens next: its parent and, for a file dialog, the folder it shows.
    QWidget* parent = nullptr;
    QString shownFolder;
    const auto answerNext = [&] {
        parent = nullptr;
        shownFolder.clear();
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            parent = modal->parentWidget();
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                shownFolder = dialog->directory().absolutePath();
                dialog->reject();
            } else {
                static_cast<QDialog*>(modal)->accept();
            }
        });
    };
    const FileRequest save{"Save Waveform Data As ...", "Waveform Meas Data (*.wfd)|*.WFD", "wfd", {}};

    answerNext();
    prompt.showMessage("Saved", PromptIcon::Information);
    EXPECT_EQ(parent, &main);
    answerNext();
    prompt.chooseSaveFile(save);
    EXPECT_EQ(parent, &main);
    EXPECT_EQ(shownFolder, QDir(folder.path()).absolutePath());
    {
        const PromptOwner owner(prompt, graph); // a control of the capture window asks
        answerNext();
        prompt.showMessage("Saved", PromptIcon::Information);
        EXPECT_EQ(parent, &capture);
        answerNext();
        prompt.chooseSaveFile(save);
        EXPECT_EQ(parent, &capture);
        answerNext();
        prompt.chooseOpenFile({"Open Steady State File...", "Setup (*.stp)|*.STP", "stp", "setups/bench.stp"});
        EXPECT_EQ(parent, &capture);
        EXPECT_EQ(shownFolder, QDir(folder.filePath("setups")).absolutePath());
    }
    answerNext();
    prompt.showMessage("Saved", PromptIcon::Information);
    EXPECT_EQ(parent, &main);
}

TEST(MessageBoxPrompt, PipeFiltersBecomeDialogFilters) {
    EXPECT_EQ(DialogFilter("Darnel Command Trace (*.txt)|*.TXT|All Files (*.*)|*.*"),
              "Darnel Command Trace (*.txt);;All Files (*.*)");
    EXPECT_EQ(DialogFilter("Setup|*.stp"), "Setup (*.stp)");
}
