#include "support/LineOrder.h"

#include <algorithm>

namespace ostrel::test {

::testing::AssertionResult InOrder(const QStringList& lines, const QStringList& expected) {
    qsizetype at = -1;
    for (const QString& want : expected) {
        const qsizetype found = lines.indexOf(want, at + 1);
        if (found < 0)
            return ::testing::AssertionFailure()
                   << "\"" << want.toStdString() << "\" does not follow line " << at << " of\n"
                   << lines.mid(std::max<qsizetype>(0, at - 5), 20).join('\n').toStdString();
        at = found;
    }
    return ::testing::AssertionSuccess();
}

} // namespace ostrel::test
