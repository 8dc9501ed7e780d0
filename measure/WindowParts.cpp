#include "measure/WindowParts.h"

#include "config/FileNames.h"

#include <QFileInfo>

namespace ostrel {

QString ChooseSavePath(Prompt& prompt, const FileRequest& request) {
    const QString chosen = prompt.chooseSaveFile(request);
    if (chosen.isEmpty()) return {};
    const QString path = WithDefaultExtension(chosen, request.defaultExtension);
    if (QFileInfo::exists(path) &&
        prompt.ask(
            QStringLiteral("File specified already exists.\r\nDo you want to overwrite this file?"),
            PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return {};
    return path;
}

} // namespace ostrel
