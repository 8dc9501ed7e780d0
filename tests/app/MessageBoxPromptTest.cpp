#include "app/MessageBoxPrompt.h"

#include <QApplication>
#include <QMessageBox>
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

TEST(MessageBoxPrompt, PipeFiltersBecomeDialogFilters) {
    EXPECT_EQ(DialogFilter("Darnel Command Trace (*.txt)|*.TXT|All Files (*.*)|*.*"),
              "Darnel Command Trace (*.txt);;All Files (*.*)");
    EXPECT_EQ(DialogFilter("Setup|*.stp"), "Setup (*.stp)");
}
