#include "standards/StandardWindows.h"

#include "app/frmMain.h"
#include "standards/OpeningCheck.h"
#include "standards/TestStandard.h"
#include "standards/frmTestTables.h"

namespace ostrel {

void RegisterStandardWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuADO160RevE"),
                        [&program] { return new frmTestTables(program, Do160Standard()); });
    // These sets offer to put phases B and C at 240° and 120° before they open.
    const struct {
        const char* entry;
        const char* name;
        const TestStandard& (*standard)();
    } tables[] = {{"mnuAMS704Tables", "MilStd704", &Ms704Standard},
                  {"mnuAAirbusABDTables", "ABD0100.1.8", &Abd010018Standard},
                  {"mnuAABDA350Tables", "A350", &AbdA350Standard},
                  {"mnuAAirbusAMDTables", "AMD24", &Amd24Standard},
                  {"mnuAB787Tables", "B787", &B787Standard}};
    for (const auto& t : tables) {
        const QString name = QString::fromLatin1(t.name);
        const auto standard = t.standard;
        main.registerWindow(QString::fromLatin1(t.entry), [&program, name, standard]() -> QWidget* {
            if (!OfferStandardPhaseAngles(program, name)) return nullptr;
            return new frmTestTables(program, standard());
        });
    }
}

} // namespace ostrel
