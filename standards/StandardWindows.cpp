#include "standards/StandardWindows.h"

#include "app/frmMain.h"
#include "standards/TestStandard.h"
#include "standards/frmTestTables.h"

namespace ostrel {

void RegisterStandardWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuADO160RevE"),
                        [&program] { return new frmTestTables(program, Do160Standard()); });
}

} // namespace ostrel
