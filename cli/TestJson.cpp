#include "cli/TestJson.h"

#include <QJsonArray>

namespace ostrel {

namespace {

QJsonValue number(const std::optional<float>& v) {
    return v ? QJsonValue(double(*v)) : QJsonValue();
}

QJsonObject phaseJson(const EutPhaseReadings& r, const HarmonicVerdictTable& table) {
    QJsonArray failing;
    for (int h : FailingHarmonics(table))
        failing.append(h);
    return {{QStringLiteral("voltage"), number(r.voltage)},
            {QStringLiteral("current"), number(r.current)},
            {QStringLiteral("power"), number(r.power)},
            {QStringLiteral("peakCurrent"), number(r.peakCurrent)},
            {QStringLiteral("powerFactor"), number(r.powerFactor)},
            {QStringLiteral("currentThd"), number(r.currentThd)},
            {QStringLiteral("voltageThd"), number(r.voltageThd)},
            {QStringLiteral("failingHarmonics"), failing}};
}

} // namespace

QJsonObject AcquisitionJson(const EutAcquisition& a) {
    QJsonArray phases;
    for (int p = 0; p < a.phases; ++p) {
        QJsonObject phase = phaseJson(a.phase[size_t(p)], a.harmonics[size_t(p)]);
        phase.insert(QStringLiteral("currentPhase"), number(a.currentPhase[size_t(p)]));
        phases.append(phase);
    }
    return {{QStringLiteral("entry"), a.entryName.isEmpty() ? TestFrequencyEntries().value(a.entry) : a.entryName},
            {QStringLiteral("frequency"), a.frequency},
            {QStringLiteral("measuredFrequency"), number(a.measuredFrequency)},
            {QStringLiteral("complete"), a.complete},
            {QStringLiteral("error"), a.error.isEmpty() ? QJsonValue() : QJsonValue(a.error)},
            {QStringLiteral("phases"), phases},
            {QStringLiteral("totalPower"), number(a.totalPower)},
            {QStringLiteral("unbalancePercent"), number(a.unbalancePercent)},
            {QStringLiteral("thdLimit"), double(a.thdLimit)},
            {QStringLiteral("verdict"), VerdictText(a.verdict)}};
}

QJsonObject ReportRecordJson(const TestReportRecord& record) {
    QJsonObject fields;
    for (int f = 1; f < kReportFieldCount; ++f)
        if (!record.field[size_t(f)].isEmpty()) fields.insert(QString::number(f), record.field[size_t(f)]);
    return {{QStringLiteral("fields"), fields},
            {QStringLiteral("library"), record.library},
            {QStringLiteral("revision"), record.revision},
            {QStringLiteral("group"), record.groupName},
            {QStringLiteral("testLabel"), record.testLabel},
            {QStringLiteral("testPath"), record.testPath}};
}

} // namespace ostrel
