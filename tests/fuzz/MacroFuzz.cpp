// The macro file reader and the line parser: any bytes are read or refused
// by line without a crash, every accepted line parses, and accepted lines
// are written and read again unchanged.
#include "FuzzInput.h"

#include "automation/MacroFile.h"
#include "automation/MacroLine.h"

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString name = QStringLiteral("fuzz.txt");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const MacroRead first = ParseMacroText(bytes, name);
    if (!first.lines) {
        Check(first.error.startsWith(name + QStringLiteral(", line ")), "a refusal names the file and line",
              first.error);
        return 0;
    }
    Check(first.lines->size() <= kMaxMacroLines, "at most the macro's lines are read");
    QByteArray written;
    for (const QString& line : *first.lines) {
        const MacroLine parsed = ParseMacroLine(line);
        if (parsed.kind == MacroKind::Delay)
            Check(parsed.seconds >= 0 && std::isfinite(parsed.seconds), "a delay is a finite wait", line);
        written += line.toUtf8() + "\r\n";
    }
    const MacroRead second = ParseMacroText(written, name);
    Check(second.lines && *second.lines == *first.lines, "written lines read back the same",
          InputText(data, size));
    return 0;
}
