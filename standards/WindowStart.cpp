#include "standards/WindowStart.h"

#include "core/Program.h"
#include "link/WaveformTransfer.h"
#include "standards/CompileGroup.h"
#include "standards/GroupRules.h"
#include "standards/TestLibrary.h"
#include "waveforms/AbwFile.h"

#include <QFileInfo>

#include <vector>

namespace ostrel {

namespace {

bool connected(const Program& program) {
    return program.settings.link.bus != BusSimulation && !program.link.Lost();
}

bool hasRegisters(const Program& program) {
    return program.sourceModel.SeriesFamily() == 1;
}

bool inCatalog(const Program& program, const QString& name) {
    const auto& names = program.sourceModel.WaveformNames;
    for (size_t i = kFirstUserWaveform; i < names.size(); ++i)
        if (names[i].toUpper() == name.toUpper()) return true;
    return false;
}

} // namespace

WaveformDownloads DownloadWaveformList(Program& program, const TestStandard& standard, int revision) {
    WaveformDownloads out;
    if (!hasRegisters(program) || !connected(program)) return out;
    Prompt& prompt = program.prompt();
    bool sent = false;
    for (const QString& listed : WaveformListNames(program.paths, standard, revision)) {
        const QString file = WaveformFilePath(program.paths, listed);
        const QString name = QFileInfo(QString(listed).replace(QLatin1Char('\\'), QLatin1Char('/')))
                                 .completeBaseName()
                                 .toUpper();
        if (file.isEmpty()) {
            out.missing << name;
            prompt.setStatus(1, name + QStringLiteral(" download failed."));
            continue;
        }
        QString error;
        const std::optional<WaveformSamples> samples = ReadAbwFile(file, error);
        if (!samples) {
            out.failed << name;
            prompt.setStatus(1, name + QStringLiteral(" download failed."));
            continue;
        }
        prompt.setStatus(1, QStringLiteral("Downloading ") + name + QStringLiteral(" waveform data."));
        if (inCatalog(program, name)) program.link.Send(0, QStringLiteral("trac:del ") + name);
        std::vector<float> values(static_cast<size_t>(kWaveformPeriod));
        for (int i = 0; i < kWaveformPeriod; ++i)
            values[size_t(i)] = float((*samples)[size_t(i)]);
        sent = true;
        if (DownloadWaveform(program, name, kWaveformPeriod - 1, values) && !program.link.Lost())
            out.downloaded << name;
        else {
            out.failed << name;
            prompt.setStatus(1, name + QStringLiteral(" download failed."));
        }
    }
    if (sent && connected(program)) ReadWaveformCatalog(program, program.sourceModel.ModelIndex);
    return out;
}

void ResetLists(Program& program) {
    const bool dc = program.outputState.OutputMode == ModeDC;
    for (const QString& line : ResetListsLines(dc, program.outputState.Frequency))
        program.link.Send(0, line);
    program.link.CheckError();
}

QString SetUpAcquisition(Program& program) {
    if (!hasRegisters(program) || !connected(program)) return {};
    InstrumentLink& link = program.link;
    const QueryResult shortest = link.TryQuery(0, QStringLiteral("sens:swe:tint? min"));
    if (shortest.ok() && !shortest.text.trimmed().isEmpty())
        link.Send(0, QStringLiteral("sens:swe:tint ") + shortest.text.trimmed());
    program.engineClock.wait(0.05);
    const QueryResult interval = link.TryQuery(0, QStringLiteral("sens:swe:tint?"));
    link.Send(0, QStringLiteral("sens:swe:offs 0"));
    return interval.ok() ? interval.text.trimmed() : QString();
}

WindowStartResult RunWindowStart(Program& program, const TestStandard& standard, int revision) {
    WindowStartResult out;
    out.defaultGroup = DefaultGroup(standard, program.outputState);
    out.waveforms = DownloadWaveformList(program, standard, revision);
    program.link.CheckError();
    ResetLists(program);
    out.sampleInterval = SetUpAcquisition(program);
    return out;
}

} // namespace ostrel
