#include "cli/Outcome.h"

namespace ostrel {

QString ExitStatusName(ExitStatus status) {
    switch (status) {
    case ExitCompleted:
        return QStringLiteral("completed");
    case ExitFail:
        return QStringLiteral("fail");
    case ExitUsage:
        return QStringLiteral("usage");
    case ExitRefused:
        return QStringLiteral("refused");
    case ExitAborted:
        return QStringLiteral("aborted");
    case ExitFailedSent:
        return QStringLiteral("failed");
    case ExitNoVerdict:
        return QStringLiteral("no verdict");
    }
    return QStringLiteral("failed");
}

QJsonObject OutcomeJson(const QString& command, const Outcome& outcome) {
    QJsonObject object = outcome.fields;
    object.insert(QStringLiteral("command"), command);
    object.insert(QStringLiteral("status"), ExitStatusName(outcome.status));
    object.insert(QStringLiteral("exit"), static_cast<int>(outcome.status));
    if (!outcome.error.isEmpty()) {
        QString error = outcome.error.trimmed();
        error.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        object.insert(QStringLiteral("error"), error);
    }
    return object;
}

Outcome UsageFailure(const QString& command, const QString& why) {
    return Outcome::failed(ExitUsage, command + QStringLiteral(": ") + why + QStringLiteral("\nSee ostrel-cli --help."));
}

} // namespace ostrel
