#include "link/WaveformTransfer.h"

#include "core/Program.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Waits.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
// `"SINUSOID","SQUARE","CSINUSOID",` before the first user name.
constexpr int kBuiltInPrefix = 32;

QString unquoted(const QString& item) {
    return item.size() >= 2 ? item.mid(1, item.size() - 2).toUpper() : QString();
}
} // namespace

QStringList ParseWaveformCatalog(const QString& reply) {
    QString rest = reply.left(reply.indexOf(QLatin1Char('\n')));
    rest = rest.size() > kBuiltInPrefix - 1 ? rest.mid(kBuiltInPrefix) : QString();
    QStringList names;
    while (!rest.isEmpty()) {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0) {
            names << unquoted(rest);
            break;
        }
        names << unquoted(rest.left(comma));
        rest = rest.mid(comma + 1);
    }
    return names;
}

QueryFailure ReadWaveformCatalog(Program& program, int) {
    QueryFailure failure;
    Prompt& prompt = program.prompt();
    SourceModel& m = program.sourceModel;
    if (m.SeriesFamily() != 1) return failure;
    prompt.setBusy(true);
    program.waveformTransferInProgress = true;
    const QueryResult catalog = program.link.TryQuery(0, QStringLiteral("trac:cat?"), 1);
    failure.note(catalog);
    if (catalog.ok()) {
        const QStringList names = ParseWaveformCatalog(catalog.text);
        for (int i = kFirstUserWaveform; i <= m.WaveformLastIndex && i < kWaveformSlots; ++i)
            m.WaveformNames[i].clear();
        for (int k = 0; k < names.size() && kFirstUserWaveform + k < kWaveformSlots; ++k)
            m.WaveformNames[kFirstUserWaveform + k] = names[k];

        const int last = program.outputState.MultiPhaseOutput == 1 ? 2 : 0;
        const int step = IsSplitPhase(m) ? 2 : 1;
        for (int p = 0; p <= last && !failure; p += step) {
            const QueryResult clip = program.link.TryQuery(
                0,
                QStringLiteral("inst:nsel ") + QString::number(p + 1) +
                    QStringLiteral(";:func:csin? thd"),
                1);
            // A source without the clipped sine does not answer: the level stays.
            if (const auto level = clip.number())
                program.outputState.Phase[p].ClipLevel = static_cast<int>(std::lround(*level));
            else if (clip.status != ReplyStatus::TimedOut)
                failure.noteUnreadable(clip);
        }
    }
    prompt.setBusy(false);
    program.waveformTransferInProgress = false;
    return failure;
}

QString WaveformDataCommand(const QString& name, int lastIndex, std::span<const float> samples) {
    QString command = QStringLiteral("trac:data ") + name;
    const int last = std::min<int>(lastIndex, static_cast<int>(samples.size()) - 1);
    command.reserve(command.size() + (last + 1) * 8);
    for (int i = 0; i <= last; ++i)
        command += QLatin1Char(',') + FormatNumber(samples[i], u"0.0###");
    return command;
}

bool DownloadWaveform(Program& program, const QString& name, int lastIndex,
                      std::span<const float> samples, QString* dataErrors) {
    const auto& link = program.settings.link;
    const QString define = QStringLiteral("trac:def ") + name;
    switch (link.bus) {
    case BusGpib:
        program.link.GpibSend(link.gpibBoard, link.sourceAddress, define.toLatin1());
        break;
    case BusSerial:
    case BusLan:
        program.link.Send(0, define);
        break;
    default:
        break;
    }
    WaitMs(link.arbDownloadDelay);
    const QString errors = program.link.CheckError();
    if (!errors.isEmpty()) {
        if (errors.contains(QLatin1String("-254"))) {
            program.prompt().showMessage(
                QStringLiteral("AC Source waveform memory is full. Please") + kCrLf +
                    QStringLiteral("free up custom waveform registers.") + kCrLf + errors,
                PromptIcon::Information);
            return false;
        }
        program.prompt().showMessage(define + QStringLiteral(": ") + errors,
                                     PromptIcon::Information);
        program.link.Send(0, QStringLiteral("*cls"));
    }

    if (program.link.Lost()) return false;
    const QString data = WaveformDataCommand(name, lastIndex, samples);
    bool sent = true;
    switch (link.bus) {
    case BusGpib:
        program.link.GpibSend(link.gpibBoard, link.sourceAddress, data.toLatin1());
        sent = !program.link.GpibFailed();
        if (!sent)
            program.link.MarkLost(QStringLiteral("the waveform data was not taken"));
        break;
    case BusLan:
        program.link.SocketSend(data);
        sent = program.link.lan().isConnected() && !program.link.Lost();
        break;
    case BusSerial:
        sent = program.link.SerialWrite(data);
        break;
    default:
        return true;
    }
    if (!sent || program.link.Lost()) return false;
    // The source checks the samples only now: a refusal (too many, a name it
    // does not take) is in its error queue.
    const QString refused = program.link.CheckError();
    if (dataErrors) {
        *dataErrors = refused;
        return !program.link.Lost();
    }
    if (refused.isEmpty()) return true;
    program.prompt().showMessage(QStringLiteral("The waveform ") + name +
                                     QStringLiteral(" was not taken by the AC source:") + refused,
                                 PromptIcon::Exclamation);
    return false;
}

bool ValidateWaveformName(Program& program, const QString& name) {
    if (!name.isEmpty() && name.front() >= QLatin1Char('A') && name.front() <= QLatin1Char('Z'))
        return true;
    program.prompt().showMessage(
        QStringLiteral("First character of waveform name must be alpha character A-Z") + kCrLf +
            QStringLiteral("Transfer of ") + name + QStringLiteral(" cancelled."),
        PromptIcon::Exclamation);
    return false;
}

bool DeleteWaveform(Program& program, const QString& name) {
    if (name == QLatin1String(">EMPTY<")) return false;
    const PromptAnswer answer =
        program.prompt().ask(QStringLiteral("Are you sure you want to delete ") + name + kCrLf +
                                 QStringLiteral("from AC Source memory?"),
                             PromptButtons::YesNo, 2, PromptIcon::Question);
    if (answer != PromptAnswer::Yes) return false;
    QString result;
    if (program.settings.link.bus != BusSimulation)
        result = program.link.SendAndReport(0, QStringLiteral("TRAC:DEL ") + name);
    if (!result.isEmpty()) {
        program.prompt().showMessage(QStringLiteral("Delete operation requested failed") +
                                         (result.startsWith(kCrLf) ? result : kCrLf + result),
                                     PromptIcon::Exclamation);
        return false;
    }
    SourceModel& m = program.sourceModel;
    for (int i = kFirstUserWaveform; i < kWaveformSlots; ++i)
        if (m.WaveformNames[i].compare(name, Qt::CaseInsensitive) == 0) m.WaveformNames[i].clear();
    return true;
}

bool DeleteAllWaveforms(Program& program) {
    const PromptAnswer answer =
        program.prompt().ask(QStringLiteral("This action will erase all user defined waveforms") +
                                 kCrLf + QStringLiteral("from the AC source waveform memory!") +
                                 kCrLf + QStringLiteral("Are you sure you want to proceed?"),
                             PromptButtons::YesNo, 2, PromptIcon::Question);
    if (answer != PromptAnswer::Yes) return false;
    program.prompt().setStatus(1, QStringLiteral("Deleting waveforms from AC source memory..."));
    program.link.Send(0, QStringLiteral("trac:del:all"));
    // A register in use stays: only the source knows what is left.
    const QString refused = program.link.CheckError();
    if (!refused.isEmpty())
        program.prompt().showMessage(QStringLiteral("Delete operation requested failed") +
                                         (refused.startsWith(kCrLf) ? refused : kCrLf + refused),
                                     PromptIcon::Exclamation);
    if (program.settings.link.bus == BusSimulation) {
        for (int i = kFirstUserWaveform; i < kWaveformSlots; ++i)
            program.sourceModel.WaveformNames[i].clear();
    } else if (!program.link.Lost()) {
        ReadWaveformCatalog(program, program.sourceModel.ModelIndex);
    }
    return true;
}

int CountCommas(const QString& text) {
    return static_cast<int>(text.count(QLatin1Char(',')));
}

} // namespace ostrel
