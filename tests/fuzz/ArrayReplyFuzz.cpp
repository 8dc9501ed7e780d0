// Array replies, text lists and definite-length blocks: any reply is parsed
// without a crash or a read past its end; nothing beyond the count asked for
// is taken; an accepted text list, written again, parses to the same values.
#include "FuzzInput.h"

#include "measure/ArrayReply.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

constexpr int kMaxCount = 64;
const QString kWhat = QStringLiteral("fetc:arr:volt?");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so a read past the reply is seen by the sanitizer.
    const QByteArray reply = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const BlockNumberForm form : {BlockNumberForm::Single, BlockNumberForm::Double}) {
        const ArrayReply r = ParseArrayReply(reply, form, kMaxCount, kWhat);
        Check(r.values.size() <= kMaxCount, "no more values than asked for");
        if (!r.ok()) {
            Check(r.values.isEmpty(), "a refused reply gives no values", r.error);
            Check(r.error.contains(kWhat), "a refused reply names the query", r.error);
            continue;
        }
        if (reply.startsWith('#')) continue;
        QStringList texts;
        for (const float v : r.values) {
            Check(std::isfinite(v), "a text list's values are finite", QString::fromLatin1(reply));
            texts << QString::number(v, 'g', 9);
        }
        const ArrayReply again = ParseAsciiArray(texts.join(QLatin1Char(',')).toLatin1(), kMaxCount, kWhat);
        // By value: a "-0" reads back as 0, which is the same reading.
        Check(again.ok() && std::equal(again.values.begin(), again.values.end(), r.values.begin(),
                                       r.values.end()),
              "a written list parses to the same values",
              texts.join(QLatin1Char(',')));
    }
    return 0;
}
