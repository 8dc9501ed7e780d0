#include "waveforms/LibraryBatch.h"

#include "core/Program.h"
#include "link/WaveformTransfer.h"
#include "waveforms/AbwFile.h"
#include "waveforms/WaveformName.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <vector>

namespace ostrel {

QStringList LibraryFiles(const QString& folder) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) return {};
    QStringList names;
    for (const QString& n : dir.entryList(QDir::Files))
        if (n.endsWith(QLatin1String(".abw"), Qt::CaseInsensitive)) names << n;
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    QStringList paths;
    for (const QString& n : names)
        paths << dir.absoluteFilePath(n);
    return paths;
}

BatchReport DownloadBatch(Program& program, const QStringList& files,
                          const std::optional<QString>& name, const std::function<bool()>& stop) {
    BatchReport report;
    Prompt& prompt = program.prompt();
    if (program.settings.link.bus == BusSimulation) {
        prompt.showMessage(QStringLiteral("Waveform transfer cancelled.\r\n"
                                          "No Interface to AC Source available!"),
                           PromptIcon::Exclamation);
        report.stopped = BatchStop::NoSource;
        return report;
    }
    const bool flagBefore = program.waveformTransferInProgress;
    program.waveformTransferInProgress = true;
    program.link.CheckError();
    for (qsizetype at = 0; at < files.size(); ++at) {
        const QString& file = files[at];
        BatchItem item{file, name && files.size() == 1 ? *name : FileWaveformName(file), {}};
        if (!CheckWaveformName(program, item.name)) {
            item.reason = QStringLiteral("the name is refused");
            report.failed << item;
            ++report.refused;
            continue;
        }
        QString error;
        const std::optional<WaveformSamples> values = ReadAbwFile(file, error);
        if (!values) {
            item.reason = error;
            report.failed << item;
            ++report.refused;
            continue;
        }
        std::vector<float> samples(kWaveformPeriod);
        for (int k = 0; k < kWaveformPeriod; ++k)
            samples[k] = static_cast<float>((*values)[k]);
        prompt.setStatus(1, QStringLiteral("Downloading arbitrary waveform ") + item.name +
                                QStringLiteral(" to AC source memory..."));
        QString errors;
        if (!DownloadWaveform(program, item.name, kWaveformPeriod - 1, samples, &errors)) {
            const bool lost = program.link.Lost();
            item.reason = lost ? QStringLiteral("the connection to the AC source was lost")
                               : QStringLiteral("the AC source waveform memory is full");
            report.failed << item;
            report.stopped = lost ? BatchStop::LinkLost : BatchStop::MemoryFull;
            break;
        }
        if (!errors.isEmpty()) {
            item.reason = errors.startsWith(QStringLiteral("\r\n")) ? errors.mid(2) : errors;
            report.failed << item;
            ++report.sourceErrors;
        } else {
            report.downloaded << item;
        }
        QCoreApplication::processEvents();
        if (at + 1 < files.size() && stop && stop()) {
            report.stopped = BatchStop::Operator;
            break;
        }
    }
    if (!program.link.Lost()) ReadWaveformCatalog(program, program.sourceModel.ModelIndex);
    program.waveformTransferInProgress = flagBefore;
    return report;
}

} // namespace ostrel
