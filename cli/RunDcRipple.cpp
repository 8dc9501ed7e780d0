#include "cli/RunDcRipple.h"

#include "core/Program.h"
#include "automation/DcRippleSession.h"
#include "cli/RunModulation.h"
#include "cli/TransientCommon.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

namespace ostrel {

namespace {

Outcome usage(const QString& why) {
    return UsageFailure(QStringLiteral("run-dc-ripple"), why);
}

} // namespace

Outcome RunDcRippleCommand(Program& program, const QStringList& args) {
    DcRippleChoice choice;
    bool nominal = false, category = false;
    double timeoutS = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const QString v = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--nominal")) {
            if (v != QLatin1String("28") && v != QLatin1String("14"))
                return usage(QStringLiteral("--nominal is 28 or 14"));
            choice.nominalIndex = v == QLatin1String("14") ? 1 : 0;
            nominal = true;
            ++i;
        } else if (a == QLatin1String("--category")) {
            if (v.compare(QLatin1String("AZ"), Qt::CaseInsensitive) != 0 &&
                v.compare(QLatin1String("B"), Qt::CaseInsensitive) != 0)
                return usage(QStringLiteral("--category is AZ or B"));
            choice.categoryIndex = v.compare(QLatin1String("B"), Qt::CaseInsensitive) == 0 ? 1 : 0;
            category = true;
            ++i;
        } else if (a == QLatin1String("--phases")) {
            std::array<bool, 3> p{};
            for (const QChar c : v.toUpper()) {
                if (c < QLatin1Char('A') || c > QLatin1Char('C'))
                    return usage(QStringLiteral("--phases is a set of A, B and C, such as AC"));
                p[size_t(c.unicode() - 'A')] = true;
            }
            if (v.isEmpty())
                return usage(QStringLiteral("--phases is a set of A, B and C, such as AC"));
            choice.phases = p;
            ++i;
        } else if (a == QLatin1String("--timeout")) {
            bool ok = false;
            timeoutS = v.toDouble(&ok);
            if (!ok || !std::isfinite(timeoutS) || timeoutS <= 0)
                return usage(QStringLiteral("--timeout is a positive number of seconds"));
            ++i;
        } else if (a == QLatin1String("--yes")) {
            // The prompt answers the questions; main set it up.
        } else {
            return usage(QStringLiteral("unknown option %1").arg(a));
        }
    }
    if (!nominal || !category)
        return usage(QStringLiteral("give --nominal 28|14 and --category AZ|B"));

    QJsonArray phases;
    for (int p = 0; p < 3; ++p)
        if (choice.phases[size_t(p)]) phases.append(QString(QChar(u'A' + p)));
    QJsonObject fields{
        {QStringLiteral("settings"),
         QJsonObject{{QStringLiteral("nominal"), RippleNominalVolts(choice.nominalIndex)},
                     {QStringLiteral("category"),
                      choice.categoryIndex == 1 ? QStringLiteral("B") : QStringLiteral("AZ")},
                     {QStringLiteral("phases"), phases},
                     {QStringLiteral("test"),
                      RippleTestNumber(choice.nominalIndex, choice.categoryIndex)}}}};

    if (Outcome ready = ConnectForTransient(program); ready.status != ExitCompleted) return ready;
    if (program.sourceModel.SeriesFamily() != 1)
        return {ExitRefused, fields,
                QStringLiteral("Sorry, this function is only\r\nsupported on Vk Series models.")};
    fields.insert(QStringLiteral("model"), program.sourceModel.ModelName);

    DcRippleSession session(program);
    session.load();
    const bool downloaded = session.activate();
    fields.insert(QStringLiteral("downloaded"), QJsonArray::fromStringList(session.downloaded()));
    DcRippleOutcome r;
    WatchListRunStop(
        timeoutS, [&] { session.abort(); }, [&] { r = session.start(choice); });
    const DcRippleClose closed = session.close();

    fields.insert(QStringLiteral("lines"), QJsonArray::fromStringList(r.listLines));
    fields.insert(QStringLiteral("outcome"),
                  r.refused ? QStringLiteral("refused") : TransientResultName(r.result));
    fields.insert(QStringLiteral("message"), r.message);
    fields.insert(QStringLiteral("source_errors"), QJsonArray::fromStringList(r.sourceErrors));
    QStringList closeErrors = closed.errors;
    for (QString& e : closeErrors)
        e.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    fields.insert(QStringLiteral("close_errors"), QJsonArray::fromStringList(closeErrors));
    fields.insert(QStringLiteral("restored"), closed.restored);
    if (r.refused)
        return {ExitRefused, fields,
                QStringLiteral("The output relay question was not answered Yes.")};
    if (!downloaded && r.result == ListRunResult::Completed)
        return {ExitFailedSent, fields, QStringLiteral("Waveform download failed.")};
    switch (r.result) {
    case ListRunResult::Completed:
        if (!closed.restored)
            return {ExitFailedSent, fields,
                    QStringLiteral("The source refused part of the close.")};
        return {ExitCompleted, fields, {}};
    case ListRunResult::Aborted:
        return {ExitAborted, fields, r.message};
    case ListRunResult::Failed:
        break;
    }
    return {ExitFailedSent, fields, r.message};
}

} // namespace ostrel
