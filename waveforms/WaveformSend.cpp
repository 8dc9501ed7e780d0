#include "waveforms/WaveformSend.h"

#include "core/Program.h"
#include "link/Waits.h"
#include "link/WaveformTransfer.h"
#include "waveforms/AbwFile.h"

namespace ostrel {

namespace {

class TransferFlag {
public:
    explicit TransferFlag(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~TransferFlag() { flag_ = before_; }

private:
    bool& flag_;
    bool before_;
};

} // namespace

SendOutcome SendWaveform(Program& program, const QString& name, std::span<const float> samples,
                         int pauseMs) {
    SendOutcome outcome;
    Prompt& prompt = program.prompt();
    if (program.settings.link.bus == BusSimulation) {
        prompt.showMessage(QStringLiteral("Waveform transfer cancelled.\r\n"
                                          "No Interface to AC Source available!"),
                           PromptIcon::Exclamation);
        outcome.result = SendResult::NoSource;
        return outcome;
    }
    TransferFlag flag(program.waveformTransferInProgress);
    program.link.CheckError();
    const auto lost = [&] {
        outcome.result = SendResult::LinkLost;
        prompt.showMessage(QStringLiteral("Transfer of ") + name +
                               QStringLiteral(" failed: the connection to the AC source was lost."),
                           PromptIcon::Exclamation);
        return outcome;
    };
    if (program.link.Lost()) return lost();
    QString errors;
    if (!DownloadWaveform(program, name, kWaveformPeriod - 1, samples, &errors)) {
        if (program.link.Lost()) return lost();
        outcome.result = SendResult::MemoryFull;
        return outcome;
    }
    Delay(pauseMs / 1000.0);
    const QString later = program.link.CheckError();
    if (program.link.Lost()) return lost();
    errors += later;
    if (!errors.isEmpty()) {
        outcome.result = SendResult::SourceError;
        outcome.sourceError = errors.startsWith(QStringLiteral("\r\n")) ? errors.mid(2) : errors;
        prompt.showMessage(QStringLiteral("Waveform download resulted in following error:\r\n") +
                               outcome.sourceError,
                           PromptIcon::Exclamation);
    }
    return outcome;
}

} // namespace ostrel
