#include "config/CalFactors.h"
#include "config/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {
const char* kHandWritten =
    "; test structure table\r\n"
    "  [ Group A ]  \r\n"
    "Name =  Normal state , 115 V  \r\n"
    "name=duplicate loses\r\n"
    "Quote=\"a=b\",c\r\n"
    "\r\n"
    "[group a]\r\n"
    "Extra=second section of the same name\r\n"
    "Name=also loses\r\n"
    "[Other]\r\n"
    ";Name=commented out\r\n"
    "Count=3\r\n";

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(IniFile, ReadsHandWrittenFileWithPrivateProfileRules) {
    IniFile ini;
    ini.setText(QString::fromLatin1(kHandWritten));
    EXPECT_EQ(ini.value(u"GROUP A", u"NAME"), "Normal state , 115 V");
    EXPECT_EQ(ini.value(u"group a", u"quote"), "\"a=b\",c");
    EXPECT_EQ(ini.value(u"Group A", u"Extra"), "second section of the same name");
    EXPECT_EQ(ini.value(u"Other", u"Name", QStringLiteral("none")), "none");
    EXPECT_EQ(ini.value(u"Missing", u"Count", QStringLiteral("7")), "7");
    EXPECT_EQ(ini.sections(), QStringList({"Group A", "Other"}));
    EXPECT_EQ(ini.keys(u"group a"), QStringList({"Name", "Quote", "Extra"}));
}

TEST(IniFile, WritingAKeyKeepsEveryOtherLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath("table.ini");
    writeFile(path, kHandWritten);

    ASSERT_TRUE(WriteIniString(path, "group A", "NAME", "Changed"));
    ASSERT_TRUE(WriteIniString(path, "Other", "New", "1,2"));
    ASSERT_TRUE(WriteIniString(path, "Fresh", "Key", "v"));

    QByteArray expected(kHandWritten);
    expected.replace("Name =  Normal state , 115 V  ", "NAME=Changed");
    expected.replace("Count=3\r\n", "Count=3\r\nNew=1,2\r\n[Fresh]\r\nKey=v\r\n");
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(ReadIniString(path, "GROUP A", "name", {}), "Changed");
}

TEST(IniFile, DamagedFileReadsWhatItCan) {
    QTemporaryDir dir;
    const QString path = dir.filePath("damaged.ini");
    static const char raw[] =
        "[Good]\nA=1\n[Broken\nB=2\nno equals sign here\n\x01\x02\xff\xfe\x00=\n=orphan\nC=3\n";
    QByteArray bytes(raw, sizeof raw - 1);
    bytes.append(QByteArray(300, '\0'));
    writeFile(path, bytes);

    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.value(u"Good", u"A"), "1");
    EXPECT_EQ(ini.value(u"Good", u"C"), "3"); // "[Broken" is no section header
    EXPECT_EQ(ini.value(u"Broken", u"B", QStringLiteral("-")), "-");
    // Rewriting keeps the 8-bit bytes of the damaged lines as they were.
    ini.setValue(u"Good", u"A", QStringLiteral("9"));
    ASSERT_TRUE(ini.save(path));
    QByteArray expected = bytes;
    expected.replace("A=1", "A=9");
    EXPECT_EQ(readFile(path), expected + (bytes.endsWith('\n') ? "" : "\n"));
}

TEST(CalFactors, RoundTripKeepsOtherContentAndDefaultsToOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath(kCalFactorsFile);
    writeFile(path, "; factory file\n[2Voltage]\n0VF=0.9876\n");

    CalFactors cal = ReadCalFactors(path, 3);
    EXPECT_NEAR(cal.factor(1, 0), 0.9876, 1e-6);
    EXPECT_DOUBLE_EQ(cal.factor(0, 0), 1.0);
    EXPECT_DOUBLE_EQ(cal.factor(1, 2), 1.0);

    cal.factors[0][1] = 1.023456;
    cal.info.sourceModel = "VK751-160";
    cal.info.serialNo = "SN1";
    ASSERT_TRUE(WriteCalFactors(path, cal));
    const CalFactors again = ReadCalFactors(path, 3);
    EXPECT_NEAR(again.factor(0, 1), 1.0235, 1e-6);
    EXPECT_NEAR(again.factor(1, 0), 0.9876, 1e-6);
    EXPECT_EQ(again.info.sourceModel, "VK751-160");
    EXPECT_TRUE(readFile(path).startsWith("; factory file\n[2Voltage]\n0VF=0.9876\n"));
    EXPECT_TRUE(readFile(path).contains("[1Voltage]\n1VF=1.0235\n"));
}
