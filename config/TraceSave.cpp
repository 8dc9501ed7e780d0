#include "config/TraceSave.h"

#include "core/Program.h"
#include "config/FileNames.h"
#include "link/Numbers.h"

#include <QFileInfo>
#include <QSaveFile>

namespace ostrel {

bool SaveTrace(Program& program, TraceSelection selection) {
    const FileRequest request{QStringLiteral("Save Command Trace As ..."), kTraceFilter, QString(), QString()};
    const QString path = WithDefaultExtension(program.prompt().chooseSaveFile(request), QStringLiteral("txt"));
    if (path.isEmpty()) return false;
    if (QFileInfo::exists(path) &&
        program.prompt().ask(path + QStringLiteral(" already exists.\r\nDo you want to overwrite this file?"),
                             PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    const SourceModel& m = program.sourceModel;
    const TraceHeader header{program.messageTitle,
                             QStringLiteral(OSTREL_VERSION),
                             m.Designation,
                             m.SerialNumber,
                             FormatNumber(m.FirmwareRevision, u"0.00"),
                             m.FirmwarePartNumber,
                             QDateTime::currentDateTime()};
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        file.write(TraceFileText(program.busTrace.entries(), selection, header).toUtf8());
        if (file.commit()) return true;
    }
    program.prompt().showMessage(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()),
                                 PromptIcon::Exclamation);
    return false;
}

} // namespace ostrel
