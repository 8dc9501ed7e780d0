#pragma once
// The DO-160 document report: the record of a DO-160 window's run into the
// power group's template.
#include "reports/DocumentReport.h"
#include "reports/TestReportRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>

namespace ostrel {

struct Do160ReportInput {
    TestReportRecord record;
    QString programVersion;
    QString model;
    QString serialNumber;
    QString inputNotes; // `txtInput`
    QDateTime printed;
    // The graphs of the first test frequency per phase (PNG; empty: none).
    std::array<QByteArray, 3> waveformPng{};
    std::array<QByteArray, 3> harmonicPng{};
};

// "DO160_ACF_Template", ... by the power group's report name ("A(CF) 115V",
// "A(NF) ...", "A(WF) ...", "A DC...", "B DC...", "Z DC..."); empty when the
// group is none of them. The prefix is "DO160_ACF-" etc.
QString Do160TemplateName(const QString& groupName);
QString Do160ReportPrefix(const QString& groupName);

DocumentContent Do160DocumentContent(const Do160ReportInput& input);

} // namespace ostrel
