#include "waveforms/WaveformWindows.h"

#include "core/Program.h"
#include "link/Waits.h"
#include "link/WaveformTransfer.h"
#include "waveforms/WaveformName.h"

namespace ostrel {

QStringList RegisterEntries(const SourceModel& model) {
    QStringList entries;
    for (int i = kFirstUserWaveform; i <= model.WaveformLastIndex && i < kWaveformSlots; ++i)
        entries << (model.WaveformNames[i].isEmpty() ? kEmptyRegister : model.WaveformNames[i]);
    return entries;
}

std::optional<QString> TransferName(Program& program, const QString& current, const QString& prefix,
                                    const std::function<int()>& pick) {
    QString name = current;
    if (name.isEmpty() || name == QLatin1String("LASTSAVE")) {
        const std::optional<QString> typed = program.prompt().inputText(
            QStringLiteral("Transfer as..."), QStringLiteral("Waveform name:"),
            prefix + QString::number(pick()));
        if (!typed || typed->trimmed().isEmpty()) return std::nullopt;
        name = TypedWaveformName(typed->trimmed());
    }
    if (!CheckWaveformName(program, name)) return std::nullopt;
    return name;
}

void ReleaseLimitCheck(Program& program) {
    if (program.settings.protection.arbRestriction != 0 &&
        program.settings.link.bus != BusSimulation)
        program.link.Send(0, QStringLiteral("trac:lim off"));
}

void RefreshCatalog(Program& program) {
    if (program.settings.link.bus == BusSimulation || program.link.Lost()) return;
    ReadWaveformCatalog(program, program.sourceModel.ModelIndex);
    Delay(0.3);
}

} // namespace ostrel
