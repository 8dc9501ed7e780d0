// The macro line parser and the macro file reader.
#include "automation/MacroFile.h"
#include "automation/MacroLine.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

TEST(MacroLineParser, KeywordsInAnyCaseArgumentsInTheirOwn) {
    const struct {
        const char* text;
        MacroKind kind;
        const char* argument;
        const char* second;
        double seconds;
    } cases[] = {
        {"", MacroKind::Empty, "", "", 0},
        {"   ", MacroKind::Empty, "", "", 0},
        {"volt 115 ' set the level", MacroKind::Comment, "", "", 0},
        {"#PROMPT(don't)", MacroKind::Comment, "", "", 0},
        {"Volt:AC 115", MacroKind::Command, "", "", 0},
        {"meas:volt?", MacroKind::Query, "", "", 0},
        {"#DELAY 2.5", MacroKind::Delay, "", "", 2.5},
        {"  #delay   0 ", MacroKind::Delay, "", "", 0},
        {"#DELAY ", MacroKind::BadDirective, "", "", 0},
        {"#DELAY x", MacroKind::BadDirective, "", "", 0},
        {"#DELAY2", MacroKind::BadDirective, "", "", 0},
        {"#Stop On Error", MacroKind::StopOnError, "", "", 0},
        {"#halt", MacroKind::Halt, "", "", 0},
        {"#REBOOT", MacroKind::BadDirective, "", "", 0},
        {"#", MacroKind::BadDirective, "", "", 0},
        {"#Prompt( Connect the Load (10 Ohm) )", MacroKind::Prompt, "Connect the Load (10 Ohm)", "", 0},
        {"#PROMPT(no closing", MacroKind::Prompt, "no closing", "", 0},
        {"#save(meas:volt?;:meas:curr?, Logs/Run1.TXT)", MacroKind::Save, "meas:volt?;:meas:curr?",
         "Logs/Run1.TXT", 0},
        {"#SAVE(list:volt?, a,b.txt)", MacroKind::Save, "list:volt?, a", "b.txt", 0},
        {"#SAVE(meas:volt?)", MacroKind::BadDirective, "meas:volt?", "", 0},
        {"#Input(Enter, the Voltage , Volt:AC)", MacroKind::Input, "Enter, the Voltage", "Volt:AC", 0},
        {"#READ(Meas:Volt:AC?)", MacroKind::Read, "Meas:Volt:AC?", "", 0},
        {"#WRITE(volt )", MacroKind::Write, "volt ", "", 0},
    };
    for (const auto& c : cases) {
        const MacroLine line = ParseMacroLine(QString::fromUtf8(c.text));
        EXPECT_EQ(line.kind, c.kind) << c.text;
        EXPECT_EQ(line.argument, QString::fromUtf8(c.argument)) << c.text;
        EXPECT_EQ(line.second, QString::fromUtf8(c.second)) << c.text;
        EXPECT_DOUBLE_EQ(line.seconds, c.seconds) << c.text;
    }
    EXPECT_TRUE(MacroLineSettles(QStringLiteral("*rst;:volt 10")));
    EXPECT_TRUE(MacroLineSettles(QStringLiteral("*Rcl 3")));
    EXPECT_FALSE(MacroLineSettles(QStringLiteral("*cls")));
}

TEST(MacroFileReader, KeepsTextAndRefusesBinaryByLine) {
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const MacroRead ok = ReadMacroFile(write("ok.txt", "volt 10\r\n\r\n#DELAY 1\n\xe9t\xe9\n"));
    ASSERT_TRUE(ok.lines) << ok.error.toStdString();
    EXPECT_EQ(*ok.lines, QStringList({"volt 10", "", "#DELAY 1", QString::fromLatin1("\xe9t\xe9")}));
    const struct {
        const char* name;
        QByteArray bytes;
        const char* reason;
    } refused[] = {
        {"nul.txt", QByteArray("volt 1\nvo\0lt\n", 13), "line 2: a control character; this is not a text file"},
        {"long.txt", "a\nb\n" + QByteArray(1 << 20, 'x'), "line 3: the line is too long"},
        {"many.txt", QByteArray("*cls\n").repeated(kMaxMacroLines + 1), "line 10001: more than 10000 lines"},
    };
    for (const auto& c : refused) {
        const QString path = write(c.name, c.bytes);
        const MacroRead r = ReadMacroFile(path);
        EXPECT_FALSE(r.lines) << c.name;
        EXPECT_EQ(r.error, path + QStringLiteral(", ") + QString::fromLatin1(c.reason)) << c.name;
    }
    QString error;
    const QString saved = dir.filePath(QStringLiteral("saved.txt"));
    ASSERT_TRUE(WriteMacroFile(saved, *ok.lines, error));
    EXPECT_EQ(*ReadMacroFile(saved).lines, *ok.lines);
}

} // namespace
