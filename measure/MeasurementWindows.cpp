#include "measure/MeasurementWindows.h"

#include "app/Program.h"
#include "app/frmMain.h"
#include "measure/frmHMeas.h"
#include "measure/frmLogger.h"
#include "measure/frmMeas.h"
#include "measure/frmTMeas.h"
#include "measure/frmWattHour.h"

#include <memory>

namespace ostrel {

void RegisterMeasurementWindows(frmMain& main, Program& program) {
    // The windows' program-wide records. Each window keeps them alive until
    // its own destruction, however late that comes.
    auto state = std::make_shared<MeasurementState>();
    const auto keep = [state](QWidget* window) {
        QObject::connect(window, &QObject::destroyed, [state] {});
        return window;
    };
    main.registerWindow(QStringLiteral("mnuMStand"),
                        [&program, state, keep] { return keep(new frmMeas(program, *state)); });
    main.registerWindow(QStringLiteral("mnuMData"), [&program, state, keep] {
        return keep(new frmLogger(program, *state, LogStandard));
    });
    main.registerWindow(QStringLiteral("mnuMAnal"), [&program, state, keep]() -> QWidget* {
        if (program.outputState.OutputMode == ModeDC) {
            program.prompt().showMessage(
                QStringLiteral("Power source is in DC mode. Harmonic analysis only\r\n"
                               "available in AC or AC+DC mode of operation."),
                PromptIcon::Exclamation);
            return nullptr;
        }
        return keep(new frmHMeas(program, *state));
    });
    main.registerWindow(QStringLiteral("mnuMWave"), [&main, &program, state, keep] {
        auto* window = new frmTMeas(program, *state);
        window->setHelp([&main] { main.showHelp(QStringLiteral("waveform-capture")); });
        return keep(window);
    });
    main.registerWindow(QStringLiteral("mnuMWattHour"),
                        [&program, state, keep] { return keep(new frmWattHour(program, *state)); });
}

} // namespace ostrel
