// The waveform windows open from the main window's menu, toolbar and the
// "/O" words of the command line.
#include "core/Program.h"
#include "app/frmMain.h"
#include "support/ProgramFixture.h"
#include "waveforms/WaveformMenu.h"

#include <QAction>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QWidget* shown(const char* name) {
    for (int i = 0; i < 50; ++i) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible()) return w;
        QTest::qWait(10);
    }
    return nullptr;
}

TEST(WaveformMenu, WindowsOpenFromMenuToolbarAndCommandLine) {
    const struct {
        const char* commandLine;
        const char* entry; // menu entry or toolbar key
        const char* window;
    } cases[] = {
        {"/O DEFN_HARM", nullptr, "frmHarmgen"}, {"/O DEFN_ARB", nullptr, "frmArb"},
        {"", "tb-harmwave", "frmHarmgen"},       {"", "tb-arbwave", "frmArb"},
        {"", "mnuWHarm", "frmHarmgen"},          {"", "mnuWLibrary", "frmWaveLibrary"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.commandLine) + (c.entry ? c.entry : ""));
        ProgramFixture f;
        f.program().settings.link.bus = BusSimulation;
        f.program().settings.powerSource.modelNumber = 4;
        frmMain window(f.program());
        RegisterWaveformWindows(window, f.program());
        window.startup(QString::fromLatin1(c.commandLine));
        window.show();
        if (c.entry) {
            QAction* a = window.findChild<QAction*>(QString::fromLatin1(c.entry));
            ASSERT_NE(a, nullptr);
            ASSERT_TRUE(a->isEnabled());
            a->trigger();
        }
        QWidget* w = shown(c.window);
        ASSERT_NE(w, nullptr);
        window.windows().closeAll();
    }
}

} // namespace
