// The identification reply parser: any reply is parsed without a crash, the
// model text has no blanks, and a reply is mapped to a model or to none.
#include "FuzzInput.h"

#include "link/Identification.h"
#include "link/SourceModel.h"

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString reply = InputText(data, size);
    SourceModel model;
    const QString modelText = ParseIdentity(model, reply);
    Check(!modelText.contains(QLatin1Char(' ')), "the model text has no blanks", modelText);
    Check(!model.SerialNumber.startsWith(QLatin1Char(' ')) &&
              !model.SerialNumber.endsWith(QLatin1Char(' ')),
          "the serial number is trimmed", model.SerialNumber);
    Check(!std::isnan(model.FirmwareRevision), "the firmware revision is a number", reply);
    Check(model.FirmwarePartNumber.startsWith(QStringLiteral("KVP501-")),
          "the firmware part number has its prefix", model.FirmwarePartNumber);
    MatchModel(modelText, reply);
    return 0;
}
