#include "automation/SequencerWindows.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "automation/frmMacro.h"
#include "automation/frmSequencer.h"

namespace ostrel {

void RegisterSequencerWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuSSequencer"), [&main, &program] {
        auto* window = new frmSequencer(program);
        window->setOutputChanged([&main] { main.fillPanel(); });
        window->setAfterRun([&main] { main.refreshPanel(); });
        window->setHelp([&main] { main.showHelp(QStringLiteral("sequencer")); });
        window->watchForShutdown(&main);
        return window;
    });
    main.registerWindow(QStringLiteral("mnuOMacros"), [&main, &program] {
        auto* window = new frmMacro(program);
        window->setAfterRun([&main] { main.refreshPanel(); });
        window->setHelp([&main] { main.showHelp(QStringLiteral("macros")); });
        window->watchForShutdown(&main);
        return window;
    });
}

} // namespace ostrel
