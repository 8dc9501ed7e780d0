#include "measure/MeasurementWindows.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "measure/frmHMeas.h"
#include "measure/frmLogger.h"
#include "measure/frmMeas.h"
#include "measure/frmTMeas.h"
#include "measure/frmWattHour.h"

namespace ostrel {

void RegisterMeasurementWindows(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuMStand"),
                        [&program] { return new frmMeas(program, program.measurements); });
    main.registerWindow(QStringLiteral("mnuMData"), [&program] {
        return new frmLogger(program, program.measurements, LogStandard);
    });
    main.registerWindow(QStringLiteral("mnuMAnal"), [&program]() -> QWidget* {
        if (program.outputState.OutputMode == ModeDC) {
            program.prompt().showMessage(
                QStringLiteral("Power source is in DC mode. Harmonic analysis only\r\n"
                               "available in AC or AC+DC mode of operation."),
                PromptIcon::Exclamation);
            return nullptr;
        }
        return new frmHMeas(program, program.measurements);
    });
    main.registerWindow(QStringLiteral("mnuMWave"), [&main, &program] {
        auto* window = new frmTMeas(program, program.measurements);
        window->setHelp([&main] { main.showHelp(QStringLiteral("waveform-capture")); });
        return window;
    });
    main.registerWindow(QStringLiteral("mnuMWattHour"),
                        [&program] { return new frmWattHour(program, program.measurements); });
}

} // namespace ostrel
