#include "reports/TestReportRecord.h"

#include "link/Numbers.h"
#include "link/OutputState.h"

#include <QFileInfo>

namespace ostrel {

namespace {

struct UserField {
    const char* name;
    ReportField field;
};
constexpr UserField kUserFields[] = {
    {"eut", FieldEutDescription}, {"operator", FieldOperator}, {"comment", FieldComment},
    {"site", FieldSite},          {"temp", FieldTemperature},  {"humidity", FieldHumidity},
    {"pressure", FieldPressure},
};

QString observationsField(const QString& text) {
    return QStringLiteral("User comments\r\n") + QString(72, u'-') + QStringLiteral("\r\n") + text;
}

} // namespace

QString ReportTime(const QDateTime& when) {
    return when.toString(QStringLiteral("dddd, MMMM d, yyyy HH:mm:ss"));
}

QString TestTypeText(int outputMode) {
    switch (outputMode) {
    case ModeAC:
    case ModeACDC:
        return QStringLiteral("AC Frequency and Voltage test");
    case ModeDC:
        return QStringLiteral("DC Voltage test");
    default:
        return QStringLiteral("Unknown");
    }
}

void BeginReport(TestReportRecord& record, const ReportStart& start) {
    record[FieldProgramTitle] = start.programTitle;
    record[FieldReportTitle] = start.reportTitle;
    record[FieldTestFile] = QFileInfo(start.testPath).fileName();
    record.testPath = start.testPath;
    record[FieldTestType] = TestTypeText(start.outputMode);
    record[FieldNominalVoltage] = FormatNumber(start.nominalVoltage, u"##0.0");
    record[FieldNominalFrequency] = FormatNumber(start.nominalFrequency, u"##0.0");
    record[FieldTestResult] = QStringLiteral("Test completed");
    record[FieldTimeStarted] = ReportTime(start.started);
    record[FieldTimeEnded] = QStringLiteral("NONE");
    record.dcMode = start.outputMode == ModeDC;
    record.eut.clear();
}

void EndReport(TestReportRecord& record, const QString& result, const QDateTime& ended) {
    record[FieldTestResult] = result;
    record[FieldTimeEnded] = ReportTime(ended);
}

bool SetUserDataField(TestReportRecord& record, const QString& name, const QString& text) {
    if (name == QLatin1String("observations")) {
        record.observations = text;
        record[FieldObservations] = observationsField(text);
        return true;
    }
    for (const UserField& f : kUserFields) {
        if (name == QLatin1String(f.name)) {
            record[f.field] = text;
            return true;
        }
    }
    return false;
}

QStringList UserDataFieldNames() {
    QStringList names;
    for (const UserField& f : kUserFields)
        names << QString::fromLatin1(f.name);
    return names << QStringLiteral("observations");
}

} // namespace ostrel
