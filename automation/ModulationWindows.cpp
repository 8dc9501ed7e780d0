#include "automation/ModulationWindows.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "automation/frmDCRipple.h"
#include "automation/frmModulation.h"

namespace ostrel {

void RegisterModulationWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("frmSModulation"), [&main, &program] {
        auto* window = new frmModulation(program);
        window->setAfterRun([&main] { main.refreshPanel(); });
        window->setHelp([&main] { main.showHelp(QStringLiteral("modulation")); });
        window->watchForShutdown(&main);
        return window;
    });
    main.registerWindow(QStringLiteral("mnuARTCADCRipple"), [&main, &program]() -> QWidget* {
        if (program.sourceModel.SeriesFamily() != 1) {
            program.prompt().showMessage(QStringLiteral("Sorry, this function is only\r\n"
                                                        "supported on Vk Series models."),
                                         PromptIcon::Exclamation);
            return nullptr;
        }
        auto* window = new frmDCRipple(program);
        window->setAfterRun([&main] { main.refreshPanel(); });
        window->setHelp([&main] { main.showHelp(QStringLiteral("dc-ripple")); });
        window->watchForShutdown(&main);
        return window;
    });
}

} // namespace ostrel
