// The number reader of replies and entries: any text is read without a
// crash, an accepted value is finite, and a refused text leaves the value as
// it was.
#include "FuzzInput.h"

#include "link/Numbers.h"

#include <cmath>
#include <cstring>

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = InputText(data, size);
    for (const QChar separator : {QLatin1Char('.'), QLatin1Char(',')}) {
        constexpr float kUntouched = -12345.5f;
        float value = kUntouched;
        if (TryParseSingle(text, value, separator)) {
            Check(std::isfinite(value), "an accepted value is finite", text);
            Check(ParseSingle(text, separator) == value, "ParseSingle gives the accepted value", text);
        } else {
            Check(std::memcmp(&value, &kUntouched, sizeof value) == 0,
                  "a refused text leaves the value untouched", text);
            Check(ParseSingle(text, separator) == 0.0f, "ParseSingle reads a refused text as 0", text);
        }
    }
    Val(text);
    return 0;
}
