#include "waveforms/HarmonicTableFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

struct TableFiles : ::testing::Test {
    QTemporaryDir dir;
    QString write(const QByteArray& text) {
        const QString path = dir.filePath("t.hwv");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    QByteArray contents(const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
};

TEST_F(TableFiles, CommaLocaleRoundTripWritesPointsAndReadsOldFiles) {
    HarmonicTable t = NewHarmonicTable();
    t[1] = {QStringLiteral("12,5"), QStringLiteral("-90"), QStringLiteral(""), QStringLiteral("")};
    t[24] = {QStringLiteral("1"), QStringLiteral("abc"), QStringLiteral("0,25"),
             QStringLiteral("45,5")};
    const QString path = dir.filePath("comma.hwv");
    QString error;
    ASSERT_TRUE(WriteHarmonicTableFile(path, t, QLatin1Char(','), error)) << error.toStdString();
    const QList<QByteArray> lines = contents(path).split('\n');
    EXPECT_EQ(lines[0], "\"100\",\"\",\"\",\"\"\r");
    EXPECT_EQ(lines[1], "\"12.5\",\"-90\",\"\",\"\"\r");
    EXPECT_EQ(lines[24], "\"1\",\"\",\"0.25\",\"45.5\"\r");
    const auto read = ReadHarmonicTableFile(path, QLatin1Char(','), error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->at(1).oddAmplitude, QStringLiteral("12,5"));
    EXPECT_EQ(read->at(24).evenPhase, QStringLiteral("45,5"));
    EXPECT_EQ(read->at(3).oddAmplitude, QString());

    // A file written by the older program in a comma locale.
    const auto old =
        ReadHarmonicTableFile(write("\"100\",\"\",\"12,5\",\"30\"\r\n"), QLatin1Char(','), error);
    ASSERT_TRUE(old) << error.toStdString();
    EXPECT_EQ(old->at(0).evenAmplitude, QStringLiteral("12,5"));
    // In a point locale, the same file shows points.
    const auto point =
        ReadHarmonicTableFile(write("\"100\",\"\",\"12.5\",\"30\"\r\n"), QLatin1Char('.'), error);
    ASSERT_TRUE(point);
    EXPECT_EQ(point->at(0).evenAmplitude, QStringLiteral("12.5"));
}

TEST_F(TableFiles, DamagedFilesAreRefusedNamingFileAndLine) {
    QByteArray many;
    for (int i = 0; i < 26; ++i)
        many += "\"1\",\"\",\"\",\"\"\n";
    const struct {
        QByteArray text;
        const char* line;
        const char* says;
    } cases[] = {
        {"\"100\",\"\",\"\",\"\"\n\"1\",\"2\",\"3\"\n", "line 2", "not four quoted fields"},
        {"\"100\",\"\",\"\",\"\"\n\"1\",\"2\",\"3\",\"4\",\"5\"\n", "line 2",
         "not four quoted fields"},
        {"\"100\",\"abc\",\"\",\"\"\n", "line 1", "\"abc\" is not a number"},
        {"\"100\",\"\",\"\",\"\n", "line 1", "not four quoted fields"},
        {many, "line 26", "at most 25 rows"},
    };
    for (const auto& c : cases) {
        const QString path = write(c.text);
        QString error;
        EXPECT_FALSE(ReadHarmonicTableFile(path, QLatin1Char('.'), error)) << c.text.constData();
        EXPECT_TRUE(error.startsWith(path + ", " + c.line + ":")) << error.toStdString();
        EXPECT_TRUE(error.contains(c.says)) << error.toStdString();
    }
}

} // namespace
