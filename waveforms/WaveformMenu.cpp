#include "waveforms/WaveformMenu.h"

#include "app/Program.h"
#include "app/frmMain.h"
#include "waveforms/frmArb.h"
#include "waveforms/frmHarmgen.h"

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
}

} // namespace ostrel
