#include "app/CommandLine.h"
#include "app/InstanceLock.h"
#include "app/MessageBoxPrompt.h"
#include "core/Program.h"
#include "app/Startup.h"
#include "app/VirtualSource.h"
#include "app/frmMain.h"
#include "automation/ModulationWindows.h"
#include "automation/SequencerWindows.h"
#include "iec/frmIEC411Test.h"
#include "measure/MeasurementWindows.h"
#include "standards/StandardWindows.h"
#include "standards/frmResidentWindows.h"
#include "transients/TransientWindows.h"
#include "waveforms/WaveformMenu.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>

using namespace ostrel;

int main(int argc, char** argv) {
    // The options are read before any window exists: --help needs no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const ProgramOptions options = ParseProgramOptions(arguments);
    if (options.help) {
        std::fputs(qPrintable(ProgramUsage()), stdout);
        return 0;
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "ostrel: %s\n", qPrintable(options.error));
        return 2;
    }

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OSTREL_VERSION));

    QString title = QStringLiteral("Ostrel");
    InstanceLock instance;
    if (instance.anotherInstanceRuns()) {
        MessageBoxPrompt early(title, nullptr);
        if (early.ask(QStringLiteral("A previous instance of this\r\nprogram is already running.\r\n"
                                     "Do you want to start a new instance ?"),
                      PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
            return 0;
    }

    auto store = options.settingsFile.isEmpty() ? std::make_unique<SettingsStore>()
                                                : std::make_unique<SettingsStore>(options.settingsFile);
    Program program(std::make_unique<SilentPrompt>(), std::move(store), DefaultPaths());
    PrepareProgram(program, QLocale().decimalPoint().front());

    frmMain window(program);
    RegisterMeasurementWindows(window, program);
    RegisterTransientWindows(window, program);
    RegisterWaveformWindows(window, program);
    RegisterSequencerWindows(window, program);
    RegisterModulationWindows(window, program);
    RegisterStandardWindows(window, program);
    RegisterResidentWindows(window, program);
    RegisterIecWindow(window, program);
    program.setPrompt(std::make_unique<MessageBoxPrompt>(
        program.messageTitle, &window, [&window](int panel, const QString& text) { window.setStatusPanel(panel, text); },
        program.paths.userDir));

    // The virtual source serves this run only; the stored interface settings stay as they are.
    VirtualSource virtualSource;
    const LinkSettings storedLink = program.settings.link;
    const int storedModel = program.settings.powerSource.modelNumber;
    if (options.virtualSource) {
        const int model = options.virtualModel >= 0 ? options.virtualModel : storedModel;
        if (virtualSource.start(VirtualSource::defaultProgram(), model)) {
            program.settings.link.bus = BusLan;
            program.settings.link.ipAddress = virtualSource.host();
            program.settings.link.socketPort = virtualSource.port();
        } else {
            program.prompt().showMessage(virtualSource.errorText(), PromptIcon::Information);
        }
    }

    window.startup(options.setupArgument);
    window.show();
    const int status = app.exec();

    // Put back what only the virtual source needed; changes the operator made stay.
    LinkSettings& link = program.settings.link;
    if (virtualSource.port() > 0 && link.bus == BusLan && link.socketPort == virtualSource.port() &&
        link.ipAddress == virtualSource.host()) {
        link.bus = storedLink.bus;
        link.ipAddress = storedLink.ipAddress;
        link.socketPort = storedLink.socketPort;
        program.settings.powerSource.modelNumber = storedModel;
    }
    program.saveSettings();
    return status;
}
