#include "waveforms/WaveformName.h"

#include "core/Program.h"
#include "link/WaveformTransfer.h"

#include <QFileInfo>

namespace ostrel {

QString TypedWaveformName(const QString& typed) {
    return typed.left(kTypedNameLength).toUpper();
}

QString FileWaveformName(const QString& path) {
    return QFileInfo(path).completeBaseName().toUpper();
}

bool CheckWaveformName(Program& program, const QString& name) {
    if (!ValidateWaveformName(program, name)) return false;
    for (const QChar c : name) {
        const bool allowed = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                             (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                             c == QLatin1Char('_');
        if (allowed) continue;
        program.prompt().showMessage(
            QStringLiteral(
                "Waveform name may hold only letters A-Z, digits 0-9 and _\r\nTransfer of ") +
                name + QStringLiteral(" cancelled."),
            PromptIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace ostrel
