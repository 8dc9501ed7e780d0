#include "waveforms/AbwFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

struct AbwFiles : ::testing::Test {
    QTemporaryDir dir;
    QString write(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
};

TEST_F(AbwFiles, WrittenPeriodReadsBackExactlyWithItsOwnPathOnLineOne) {
    WaveformSamples period{};
    for (int k = 0; k < kWaveformPeriod; ++k)
        period[k] = std::sin(2 * M_PI * k / 1024.0) * 0.999;
    period[kWaveformPeriod] = 7; // beyond the period: never written
    const QString path = dir.filePath("sine.abw");
    QString error;
    ASSERT_TRUE(WriteAbwFile(path, period, error)) << error.toStdString();

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_EQ(lines[0], "\"" + path.toUtf8() + "\",\" \"\r");
    EXPECT_EQ(lines[1], "0,0\r");
    EXPECT_EQ(lines.size(), kWaveformPeriod + 2); // the last CR LF leaves an empty piece

    const auto read = ReadAbwFile(path, error);
    ASSERT_TRUE(read) << error.toStdString();
    for (int k = 0; k < kWaveformPeriod; ++k)
        ASSERT_EQ((*read)[k], period[k]) << k;
    EXPECT_EQ((*read)[kWaveformPeriod], 0);
}

TEST_F(AbwFiles, ReaderTakesLineEndsNumberFormsAndShortFilesOverZeros) {
    QString error;
    const auto read = ReadAbwFile(
        write("hand.csv", "\"x\",\" \"\r\n0,.5\r\n1, 1.5E-03\n2 ,-1\n4095,0.25\n\n"), error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ((*read)[0], 0.5);
    EXPECT_EQ((*read)[1], 0.0015);
    EXPECT_EQ((*read)[2], -1);
    EXPECT_EQ((*read)[3], 0); // never written: zero, not an earlier waveform's sample
    EXPECT_EQ((*read)[4095], 0.25);
}

TEST_F(AbwFiles, DamagedFilesAreRefusedNamingFileAndLine) {
    const struct {
        const char* text;
        const char* line;
        const char* says;
    } cases[] = {
        {"\"x\",\" \"\n0,0\n-1,0.5\n", "line 3", "index \"-1\""},
        {"\"x\",\" \"\n2.5,0.5\n", "line 2", "index \"2.5\""},
        {"\"x\",\" \"\n4096,0.5\n", "line 2", "index \"4096\""},
        {"\"x\",\" \"\nk,0.5\n", "line 2", "index \"k\""},
        {"\"x\",\" \"\n0,0\n1,abc\n", "line 3", "value \"abc\""},
        {"\"x\",\" \"\n0,nan\n", "line 2", "value \"nan\""},
        {"\"x\",\" \"\n0,0.1,0.2\n", "line 2", "not an index and a value"},
        {"\"x\",\" \"\n", "line 2", "no samples"},
    };
    for (const auto& c : cases) {
        const QString path = write("bad.abw", c.text);
        QString error;
        EXPECT_FALSE(ReadAbwFile(path, error)) << c.text;
        EXPECT_TRUE(error.startsWith(path + ", " + c.line + ":")) << error.toStdString();
        EXPECT_TRUE(error.contains(c.says)) << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(ReadAbwFile(dir.filePath("missing.abw"), error));
    EXPECT_TRUE(error.contains("missing.abw")) << error.toStdString();
}

} // namespace
