#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/Oem.h"
#include "core/Program.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ostrel {

namespace {
bool simulated(const Program& p) { return p.settings.link.bus == BusSimulation; }
} // namespace

void PrepareProgram(Program& program, QChar decimalSeparator) {
    program.decimalSeparator = decimalSeparator;
    program.oemManufacturer = ReadOemManufacturer(program.paths.readableFile(kOemFile));
    program.messageTitle = MessageTitleFor(program.oemManufacturer, QStringLiteral("Ostrel"));
    program.loadSettings();
}

QString InterfaceStatusText(const Program& program) {
    const LinkSettings& l = program.settings.link;
    if (l.bus != BusSimulation && program.link.Lost()) return QStringLiteral("Disconnected");
    switch (l.bus) {
    case BusSerial:
        return program.link.state.serialPortName.isEmpty() ? QStringLiteral("USB/COM%1").arg(l.commPort)
                                                           : program.link.state.serialPortName;
    case BusGpib: return QStringLiteral("IEEE-488 #%1").arg(l.sourceAddress);
    case BusLan: return QStringLiteral("IP# ") + l.ipAddress;
    default: return QStringLiteral("Simulation");
    }
}

StartupResult RunStartup(Program& program, const QString& commandLine, const StartupHooks& hooks) {
    StartupResult result;
    InstrumentLink& link = program.link;
    const bool splash = !simulated(program);
    if (splash && hooks.showSplash) hooks.showSplash();

    LoadModel(program, program.settings.powerSource.modelNumber);
    SimulationSetup(program);
    link.state.lanTimeoutMs = 1000;

    QString message;
    const int found = OpenAndIdentify(program, message);
    if (found < 0) {
        program.settings.link.bus = BusSimulation;
        result.identificationMessage = message;
    } else {
        program.settings.powerSource.modelNumber = found;
    }

    // LAN always moves measurement arrays as text; so does every other bus here.
    if (!simulated(program)) link.Send(0, QStringLiteral("meas:array:mode asc"));
    LoadModel(program, program.settings.powerSource.modelNumber);

    const int bus = program.settings.link.bus;
    if (bus == BusSerial || bus == BusLan) link.SendUntraced(0, QStringLiteral("syst:rem"));

    if (!simulated(program)) {
        if (hooks.tickFrontPanel) hooks.tickFrontPanel();
        ReadSourceConfiguration(program, program.sourceModel.ModelIndex);
        const QString sync = link.Query(0, QStringLiteral("freq:mode?"));
        if (sync.toLower().contains(QLatin1String("sens")) &&
            program.prompt().ask(QStringLiteral("Power Source is in Ext or Line Sync Mode\r\n"
                                                "Some functions may be affected by this mode.\r\n"
                                                "Do you want to revert back to Internal Sync mode?"),
                                 PromptButtons::YesNo, 1, PromptIcon::Exclamation) == PromptAnswer::Yes)
            link.Send(0, QStringLiteral("freq:mode fix"));
    } else {
        SimulationSetup(program);
    }

    const SetupCommandLine cl = ParseSetupCommandLine(commandLine);
    // The command line is searched upper-cased; the file is looked up as it was typed.
    const QString typedFile = commandLine.left(cl.setupFile.size()).trimmed();
    const QString file = QFileInfo::exists(typedFile) ? typedFile : cl.setupFile;
    if (!file.isEmpty() && QFileInfo::exists(file) && hooks.openSetupFile && hooks.openSetupFile(file))
        result.setupFile = file;
    else if (!simulated(program))
        ReadBackState(program, program.sourceModel.ModelIndex);

    if (hooks.fillPanel) hooks.fillPanel();
    program.prompt().setStatus(5, InterfaceStatusText(program));
    if (splash && hooks.hideSplash) hooks.hideSplash();
    if (!result.identificationMessage.isEmpty())
        program.prompt().showMessage(result.identificationMessage, PromptIcon::Information);

    result.complete = true;
    // Every phase is measured until the operator says otherwise; set before a
    // "/O" window opens, so that window starts with them.
    program.measurements.log[LogStandard].phases = {true, true, true};
    if (cl.hasOption && !(hooks.openOptionWindow && hooks.openOptionWindow(cl.optionWord)))
        program.prompt().showMessage(QStringLiteral("Requested /O option ") + cl.optionWord +
                                         QStringLiteral(" in command line not recognized"),
                                     PromptIcon::Information);
    return result;
}

void RunShutdown(Program& program) {
    InstrumentLink& link = program.link;
    if (program.sourceModel.SeriesFamily() == 1) link.Send(0, QStringLiteral("sens:swe:tint min"));
    if (!simulated(program)) {
        const QString relay = link.Query(0, QStringLiteral("OUTP?"));
        if ((relay.contains(QLatin1String("ON")) || relay.contains(QLatin1Char('1'))) &&
            program.prompt().ask(QStringLiteral("WARNING : Output relay of the AC source is still closed.\r\n"
                                                "This may be dangerous now that the program is closing.\r\n"
                                                "Would you like to open it?"),
                                 PromptButtons::YesNo, 1, PromptIcon::Exclamation) == PromptAnswer::Yes)
            link.Send(0, QStringLiteral("outp 0"));
        link.Send(0, QStringLiteral("*cls"));
    }
    // A LAN socket that the interface dialog or a readback still uses stays open.
    if (program.settings.link.bus != BusLan || !(program.readbackInProgress || program.interfaceDialogOpen))
        link.Release();
}

} // namespace ostrel
