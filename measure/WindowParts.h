#pragma once
// Small pieces the measurement windows share.
#include "core/Prompt.h"

#include <QChar>
#include <QString>

namespace ostrel {

// A number formatted with "." as the operator sees it, in the locale's decimal separator.
inline QString Shown(const QString& invariant, QChar decimalSeparator) {
    QString text = invariant;
    return text.replace(QLatin1Char('.'), decimalSeparator);
}

// The file to save to, with its default extension; an existing file is only
// chosen when the operator agrees to overwrite it. "" otherwise.
QString ChooseSavePath(Prompt& prompt, const FileRequest& request);

} // namespace ostrel
