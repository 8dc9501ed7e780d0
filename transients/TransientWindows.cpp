#include "transients/TransientWindows.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "transients/frmTrans.h"
#include "transients/frmTrnstList.h"

#include <QAction>

namespace ostrel {

void RegisterTransientWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuSTrans"), [&main, &program] {
        auto* window = new frmTrans(program);
        window->setMonitorWindow([&main]() -> QWidget* {
            if (QAction* a = main.action(QStringLiteral("mnuMStand")); a && a->isEnabled())
                a->trigger();
            return main.windows().find(QStringLiteral("mnuMStand"));
        });
        window->setAfterRun([&main] { main.refreshPanel(); });
        window->setHelp([&main] { main.showHelp(QStringLiteral("transients")); });
        window->watchForShutdown(&main);
        return window;
    });
    main.registerWindow(QStringLiteral("mnuSListEdit"), [&main, &program] {
        auto* window = new frmTrnstList(program);
        window->setAfterRun([&main] { main.refreshPanel(); });
        window->setHelp([&main] { main.showHelp(QStringLiteral("list-editor")); });
        window->watchForShutdown(&main);
        return window;
    });
}

} // namespace ostrel
