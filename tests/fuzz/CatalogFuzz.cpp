// The waveform catalog reply: any reply is parsed without a crash; the user
// names come out upper-cased, one per item, never holding the separators.
#include "FuzzInput.h"

#include "link/WaveformTransfer.h"

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = InputText(data, size);
    const QStringList names = ParseWaveformCatalog(reply);
    const QString firstLine = reply.left(reply.indexOf(QLatin1Char('\n')));
    Check(names.size() <= firstLine.count(QLatin1Char(',')) + 1, "one name per item", reply);
    for (const QString& name : names) {
        Check(!name.contains(QLatin1Char(',')) && !name.contains(QLatin1Char('\n')),
              "a name holds no separator", reply);
        Check(name == name.toUpper(), "a name is upper-cased", reply);
    }
    return 0;
}
