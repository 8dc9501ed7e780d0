// The user library list and the waveform list: any file is read without a
// crash; every name is trimmed text without a line break or NUL; the names
// written one a line, quoted, read back as the same list.
#include "FuzzInput.h"

#include "standards/TestFiles.h"

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QStringList names = ReadNameList(InputFile(QStringLiteral("input.txt"), data, size));
    QByteArray written;
    for (const QString& name : names) {
        Check(!name.isEmpty() && name == name.trimmed(), "a name is trimmed and not empty", name);
        Check(!name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')) && !name.contains(QChar(0)),
              "a name holds no line break or NUL", name);
        written += '"' + name.toUtf8() + "\"\r\n";
    }
    const QStringList again = ReadNameList(InputFile(QStringLiteral("written.txt"),
                                                     reinterpret_cast<const uint8_t*>(written.constData()),
                                                     size_t(written.size())));
    Check(again == names, "quoted names read back the same", QString::fromUtf8(written));
    Check(ReadNameList(QString()).isEmpty() && ReadNameList(QStringLiteral("/nonexistent/list.txt")).isEmpty(),
          "a missing list is empty");
    return 0;
}
