#pragma once
// The document report of a standard's table window: the record of its run
// into the power group's template. Every set (DO-160, MIL-STD-704, the
// airframers') fills the same bookmarks; its descriptor names the template
// and the file name prefix per power group.
#include "reports/DocumentReport.h"
#include "reports/ReportOutput.h"
#include "reports/TestReportRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>

namespace ostrel {

struct PowerGroup;

struct TableReportInput {
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

// Automatic names take a number below this.
constexpr int kTableReportNumbers = 30000;

// A descriptor's template file ("MS704_SAC_Template.doc") as the template's
// name: the shipped and the lab's templates are .docx whatever the table says.
QString ReportTemplateName(const QString& templateFile);

DocumentContent TableDocumentContent(const TableReportInput& input);

// The group's template and prefix with the input's content, titled as the record.
DocumentReportJob TableReportJob(const PowerGroup& group, const TableReportInput& input);

} // namespace ostrel
