#include "panel/SetupActions.h"

#include "core/Program.h"
#include "config/FileNames.h"
#include "config/SaveTarget.h"
#include "link/Configuration.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/Waits.h"
#include "panel/PanelLimits.h"
#include "panel/SetupFile.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace ostrel {

namespace {

bool simulated(const Program& p) { return p.settings.link.bus == BusSimulation; }

void showErrors(Program& p, const QString& errors, const QString& tail = {}) {
    if (!errors.isEmpty()) p.prompt().showMessage(errors.trimmed() + tail, PromptIcon::Information);
}

// The unit does not answer while it resets; it is back when it answers again.
void waitForReset(Program& p) {
    QElapsedTimer waited;
    waited.start();
    Delay(0.5);
    while (waited.elapsed() < 30000 && p.link.Query(0, QStringLiteral("syst:conf:nout?")).isEmpty()) Delay(0.2);
}

} // namespace

bool OpenSetupFile(Program& program, const QString& path) {
    const SetupReadResult r = ReadSetupFile(path, program.sourceModel, program.outputState);
    if (!r.ok) {
        program.prompt().showMessage(r.error, r.wrongModel ? PromptIcon::Information : PromptIcon::Exclamation);
        return false;
    }
    program.outputState = r.state;
    SendWholeSetting(program);
    return true;
}

void SendWholeSetting(Program& program) {
    if (simulated(program)) return;
    InstrumentLink& link = program.link;
    OutputState& s = program.outputState;
    const SourceModel& m = program.sourceModel;

    const QString outputs = link.Query(0, QStringLiteral("syst:conf:nout?"));
    const bool detectedThree = outputs.contains(QLatin1String("FIX")) ? m.PhaseSpacing != 0
                                                                       : outputs.contains(QLatin1Char('3'));
    const bool wantThree = s.MultiPhaseOutput == 1;
    if (m.Options[OptPhaseMode] == 1 && !outputs.isEmpty() && wantThree != detectedThree) {
        link.Send(0, wantThree ? QStringLiteral("syst:conf:nout 3") : QStringLiteral("syst:conf:nout 1"));
        program.prompt().setStatus(1, QStringLiteral("Switching Phase Mode. Wait while AC source resets..."));
        program.prompt().setBusy(true);
        waitForReset(program);
        program.prompt().setBusy(false);
        program.prompt().setStatus(1, QStringLiteral("Ready..."));
    } else if (!outputs.isEmpty()) {
        s.MultiPhaseOutput = detectedThree ? 1 : 0;
    }
    const int phases = s.MultiPhaseOutput == 1 ? 3 : 1;

    if (s.OutputMode == ModeDC) {
        link.Send(0, QStringLiteral("sour:mode dc"));
    } else {
        link.Send(0, s.OutputMode == ModeACDC ? QStringLiteral("sour:mode acdc") : QStringLiteral("sour:mode ac"));
        link.Send(0, QStringLiteral("freq ") + FormatNumber(s.Frequency, u"###0.0"));
    }
    link.Send(0, QStringLiteral("outp 0;:volt:rang ") + FormatNumber(RangeValue(m, s.OutputMode, s.HighRange), u"##0.0"));
    static const char* alc[] = {"volt:alc off", "volt:alc on", "volt:alc reg"};
    link.Send(0, QLatin1String(alc[std::clamp(s.AlcMode, 0, 2)]));
    link.Send(0, s.CurrentProtection ? QStringLiteral("curr:prot:stat on") : QStringLiteral("curr:prot:stat off"));
    link.Send(0, QStringLiteral("curr:prot:del ") + FormatNumber(s.ProtectionDelay, u"##0.000"));
    link.Send(0, s.ExternalSense ? QStringLiteral("volt:sens ext") : QStringLiteral("volt:sens int"));
    link.Send(0, s.SenseCoupling ? QStringLiteral("sens:coup dc") : QStringLiteral("sens:coup ac"));
    link.Send(0, s.RemoteInhibit == 1   ? QStringLiteral("outp:ri:mode latc")
                 : s.RemoteInhibit == 2 ? QStringLiteral("outp:ri:mode off")
                                        : QStringLiteral("outp:ri:mode live"));
    link.Send(0, s.ImpedanceNetwork ? QStringLiteral("outp:vanu eng") : QStringLiteral("outp:vanu byp"));
    link.Send(0, QStringLiteral("inst:coup none"));
    for (int p = 0; p < phases; ++p) {
        const PhaseState& ph = s.Phase[p];
        const QString nsel = QStringLiteral("inst:nsel %1;:").arg(p + 1);
        if (s.OutputMode == ModeDC) {
            link.Send(0, nsel + QStringLiteral("volt:dc ") + FormatNumber(ph.DcVoltage, u"##0.0"));
        } else {
            link.Send(0, nsel + QStringLiteral("volt:ac ") + FormatNumber(ph.Voltage, u"##0.0"));
            link.Send(0, QStringLiteral("phas ") + FormatNumber(ph.PhaseAngle, u"##0.0"));
            if (m.SeriesFamily() == 1) {
                const QString wave = WaveformArgument(ph.WaveformIndex, m);
                if (!wave.isEmpty()) link.Send(0, QStringLiteral("func ") + wave);
                link.Send(0, QStringLiteral("func:csin ") + FormatNumber(ph.ClipLevel, u"#0.0") + QStringLiteral(" thd"));
            }
            if (s.OutputMode == ModeACDC)
                link.Send(0, QStringLiteral("volt:offs ") + FormatNumber(ph.DcOffset, u"##0.0"));
        }
        link.Send(0, nsel + QStringLiteral("curr ") + FormatNumber(ph.CurrentLimit, u"##0.00"));
    }
    link.Send(0, s.OutputOn ? QStringLiteral("outp 1") : QStringLiteral("outp 0"));
    showErrors(program, link.CheckError());
}

bool ConfirmZeroCurrent(Program& program, bool forRegister) {
    const OutputState& s = program.outputState;
    QString question;
    if (s.MultiPhaseOutput == 1) {
        for (const PhaseState& p : s.Phase)
            if (p.CurrentLimit == 0)
                question = QStringLiteral("One or more current limits set to zero.\r\nAre you sure you want to save this setup?");
    } else if (s.Phase[0].CurrentLimit == 0) {
        question = forRegister
                       ? QStringLiteral("Current limit set to zero. Are you\r\nsure you want to save this setup?")
                       : QStringLiteral("Current limit set to zero.\r\nAre you sure you want to save this setup?");
    }
    return question.isEmpty() ||
           program.prompt().ask(question, PromptButtons::YesNo, 2, PromptIcon::Question) == PromptAnswer::Yes;
}

bool SaveSetup(Program& program, QString& currentFile, bool saveAs) {
    if (!ConfirmZeroCurrent(program, false)) return false;
    QString path = saveAs ? QString() : currentFile;
    if (path.isEmpty()) {
        // Beside the current file, or in the user folder when there is none.
        FileRequest request{QStringLiteral("Save Steady State As ..."), kSetupFilter, QString(), currentFile};
        path = WithDefaultExtension(program.prompt().chooseSaveFile(request), QStringLiteral("stp"));
        if (path.isEmpty()) return false;
        if (QFileInfo::exists(path) &&
            program.prompt().ask(QStringLiteral("File specified already exists.\r\nDo you want to overwrite this file?"),
                                 PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
            return false;
    }
    path = SaveTargetPath(program.paths, path);
    QString error;
    if (!WriteSetupFile(path, program.sourceModel.ModelIndex, program.outputState, &error)) {
        program.prompt().showMessage(error, PromptIcon::Exclamation);
        return false;
    }
    currentFile = path;
    return true;
}

bool ResetSource(Program& program) {
    if (program.prompt().ask(QStringLiteral("This operation will reset the AC source and erase\r\n"
                                            "all settings. Are you sure you want to continue ?"),
                             PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    program.prompt().setStatus(1, QStringLiteral("Waiting for AC source to reset"));
    program.link.Send(0, QStringLiteral("*rst"));
    Delay(3);
    // The model set-up goes first, so the read-back state and the limits the
    // source reports are what the panel shows afterwards.
    if (!simulated(program)) ReadSourceConfiguration(program, program.sourceModel.ModelIndex);
    ReadBackState(program, program.sourceModel.ModelIndex);
    Delay(3);
    program.prompt().setStatus(1, QStringLiteral("Ready..."));
    return true;
}

void SaveRegister(Program& program, int index) {
    if (!ConfirmZeroCurrent(program, true)) return;
    program.link.Send(0, QStringLiteral("*sav %1").arg(index));
    WaitMs(100);
    showErrors(program, program.link.CheckError());
}

bool RecallRegister(Program& program, int index) {
    program.link.Send(0, QStringLiteral("*RCL %1").arg(index));
    WaitMs(100);
    const QString errors = program.link.CheckError();
    if (!errors.isEmpty()) {
        showErrors(program, errors, QStringLiteral(" Register may be empty."));
        return false;
    }
    program.prompt().setBusy(true);
    Delay(1);
    if (!simulated(program)) ReadBackState(program, program.sourceModel.ModelIndex);
    program.prompt().setBusy(false);
    return true;
}

bool SetFrontPanelLock(Program& program, bool locked) {
    InstrumentLink& link = program.link;
    const auto& settings = program.settings.link;
    const QString command = locked ? QStringLiteral("syst:rem") : QStringLiteral("syst:loc");
    switch (settings.bus) {
    case BusSerial:
        link.SerialWrite(command);
        return true;
    case BusLan:
        link.SocketSend(command);
        WaitMs(settings.cmdDelay);
        return true;
    case BusGpib:
        if (locked)
            link.GpibEnableRemote(settings.gpibBoard, settings.sourceAddress);
        else
            link.GpibEnableLocal(settings.gpibBoard, settings.sourceAddress);
        if (link.GpibFailed())
            link.ShowGpibError(locked ? QStringLiteral("Error Locking Front Panel.")
                                      : QStringLiteral("Error finding all listeners."));
        return !link.GpibFailed();
    default:
        program.prompt().showMessage(QStringLiteral("No interface available to Lock\r\nor Unlock Front panel!"),
                                     PromptIcon::Information);
        return false;
    }
}

} // namespace ostrel
