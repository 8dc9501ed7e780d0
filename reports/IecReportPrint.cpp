#include "reports/IecReportPrint.h"

#include "core/Program.h"
#include "reports/PrintPreview.h"

#include <QRandomGenerator>
#include <QWidget>

namespace ostrel {

namespace {
constexpr int kIecAutomaticNames = 100;
}

ReportMade PrintIecReport(QWidget* window, Program& program, const IecReportInput& input) {
    PromptOwner owner(program.prompt(), window);
    if (program.settings.report.reportFormat == ReportPrinted) {
        PrintReportWithPreview(window, IecPrintedReportLines(input), input.record[FieldReportTitle],
                               input.printed);
        return {true, {}};
    }
    return MakeIecReport(program.prompt(), program.settings.report, program.paths, input,
                         static_cast<int>(QRandomGenerator::global()->bounded(kIecAutomaticNames)));
}

} // namespace ostrel
