// The measurement windows as the main window opens them: which phases they
// start with, and whose file dialogs are whose.
#include "MainWindowFixture.h"

#include "core/Program.h"

#include <QAction>
#include <QCheckBox>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class MeasurementStart : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(MeasurementStart, AThreePhaseSourceIsMeasuredOnEveryPhase) {
    withMeasurementWindows = true;
    const QString commandLine = QString::fromLatin1(GetParam());
    startWindow({"--model", "4"}, commandLine);
    if (commandLine.isEmpty()) window->action("mnuMStand")->trigger();
    QWidget* meas = topLevel("frmMeas");
    ASSERT_NE(meas, nullptr);
    for (int p = 0; p < 3; ++p) {
        for (QCheckBox* box : meas->findChildren<QCheckBox*>("chkPhase"))
            if (box->property("index").toInt() == p) {
                EXPECT_TRUE(box->isChecked()) << p;
                EXPECT_TRUE(box->isEnabled()) << p;
            }
    }
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join("\n").toStdString();
}

INSTANTIATE_TEST_SUITE_P(FromTheMenuAndTheCommandLine, MeasurementStart, ::testing::Values("", "/O MEAS_STANDARD"));

TEST_F(MainWindowTest, EveryFileDialogBelongsToTheWindowThatAsks) {
    withMeasurementWindows = true;
    startSimulated(4);
    struct Case {
        const char* entry;
        const char* window;
    };
    for (const Case& c : {Case{"mnuMAnal", "frmHMeas"}, Case{"mnuMWave", "frmTMeas"}}) {
        SCOPED_TRACE(c.window);
        window->action(c.entry)->trigger();
        QWidget* w = topLevel(c.window);
        ASSERT_NE(w, nullptr);
        prompt().clear();
        prompt().chooseFile(fixture.tempPath(c.window));
        w->findChild<QAction*>("mnuFSaveAs")->trigger();
        ASSERT_FALSE(prompt().calls().isEmpty());
        EXPECT_EQ(prompt().calls()[0].kind, PromptCall::SaveFile);
        EXPECT_EQ(prompt().calls()[0].owner, w);
        // No folder of its own: the dialog starts in the user folder, never the working directory.
        EXPECT_TRUE(prompt().calls()[0].file.initialPath.isEmpty());
    }
    // The main window's own dialogs stay with it, also with the others open.
    prompt().clear();
    prompt().chooseFile(fixture.tempPath("bench.stp"));
    window->action("mnuFAs")->trigger();
    ASSERT_FALSE(prompt().calls().isEmpty());
    EXPECT_EQ(prompt().calls()[0].kind, PromptCall::SaveFile);
    EXPECT_EQ(prompt().calls()[0].owner, nullptr);
    EXPECT_TRUE(prompt().calls()[0].file.initialPath.isEmpty());
}

} // namespace
