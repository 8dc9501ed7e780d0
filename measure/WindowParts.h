#pragma once
// Small pieces the measurement windows share.
#include <QChar>
#include <QString>

namespace ostrel {

// A number formatted with "." as the operator sees it, in the locale's decimal separator.
inline QString Shown(const QString& invariant, QChar decimalSeparator) {
    QString text = invariant;
    return text.replace(QLatin1Char('.'), decimalSeparator);
}

} // namespace ostrel
