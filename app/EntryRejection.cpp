#include "app/EntryRejection.h"

#include "core/Program.h"

namespace ostrel {

void ReportRejectedEntry(Program& program) {
    if (program.settings.preferences.displayEntryErrors)
        program.prompt().showMessage(kEntryRejected, PromptIcon::Exclamation);
}

} // namespace ostrel
