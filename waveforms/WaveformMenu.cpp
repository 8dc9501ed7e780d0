#include "waveforms/WaveformMenu.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "waveforms/frmArb.h"
#include "waveforms/frmHarmgen.h"
#include "waveforms/frmWaveLibrary.h"

#include <QAction>

namespace ostrel {

void RegisterWaveformWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuWHarm"), [&main, &program] {
        auto* window = new frmHarmgen(program);
        QObject::connect(window, &frmHarmgen::catalogChanged, &main, &frmMain::refreshPanel);
        return window;
    });
    main.registerWindow(QStringLiteral("mnuWArb"), [&main, &program] {
        auto* window = new frmArb(program);
        QObject::connect(window, &frmArb::catalogChanged, &main, &frmMain::refreshPanel);
        return window;
    });
    main.registerWindow(QStringLiteral("mnuWLibrary"), [&main, &program] {
        auto* window = new frmWaveLibrary(program);
        window->setOpenEditor([&main] {
            main.action(QStringLiteral("mnuWArb"))->trigger();
            // Already open: it shows the buffer the library just filled.
            if (auto* editor =
                    qobject_cast<frmArb*>(main.windows().find(QStringLiteral("mnuWArb"))))
                editor->redrawBuffer();
        });
        return window;
    });
}

} // namespace ostrel
