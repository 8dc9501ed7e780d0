#include "measure/MeasurementLog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));

CycleResult sampleCycle() {
    CycleResult c;
    c.frequency = "60.00";
    c.values[0][ReadVoltage] = 120.004f;
    c.values[0][ReadCurrent] = 1.5f;
    c.values[2][ReadVoltage] = 119.5f; // phase C current did not come back
    return c;
}

LogLayout sampleLayout(bool dateTime, QChar delimiter) {
    std::array<bool, kReadoutCount> readouts{};
    readouts[ReadVoltage] = readouts[ReadCurrent] = true;
    return MakeLogLayout({true, false, true}, readouts, true, dateTime, delimiter);
}

QString readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

TEST(MeasurementLog, HeaderAndRowsComeFromOneColumnListInEachStampKind) {
    struct Case {
        bool dateTime;
        QChar delimiter;
        const char* header;
        const char* row;
    };
    const Case cases[] = {
        {true, ',',
         R"x("Date","Time","F (Hz)","Vrms (V) [PhsA]","Irms (A) [PhsA]","Vrms (V) [PhsC]",)x"
         R"x("Irms (A) [PhsC]","Vac (V)","Vab (V)","Vbc (V)")x",
         "2024-03-05,14:07:09,60.00,120.00,1.500,119.50,,207.00,,"},
        {false, '\t',
         "\"Time_serial\"\t\"F (Hz)\"\t\"Vrms (V) [PhsA]\"\t\"Irms (A) [PhsA]\"\t\"Vrms (V) "
         "[PhsC]\"\t"
         "\"Irms (A) [PhsC]\"\t\"Vac (V)\"\t\"Vab (V)\"\t\"Vbc (V)\"",
         "45356.58830\t60.00\t120.00\t1.500\t119.50\t\t207.00\t\t"},
    };
    for (const Case& c : cases) {
        const LogLayout layout = sampleLayout(c.dateTime, c.delimiter);
        const QString header = LogHeader(layout);
        const QString row = LogRow(layout, kNow, sampleCycle(), {207.0f, {}, {}});
        EXPECT_EQ(header, c.header);
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(header.count(c.delimiter), row.count(c.delimiter));
    }
}

TEST(MeasurementLog, WithNothingTickedARowHoldsTheStampAndFrequency) {
    const LogLayout layout = MakeLogLayout({true, true, true}, {}, false, true, ',');
    EXPECT_EQ(LogHeader(layout), R"x("Date","Time","F (Hz)")x");
    CycleResult c;
    c.frequency = "DC";
    EXPECT_EQ(LogRow(layout, kNow, c, {}), "2024-03-05,14:07:09,DC");
}

TEST(MeasurementLog, OverwriteStartsAFileAppendContinuesItAndAppendingToNothingStartsOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("run.csv");
    const QString header = LogHeader(sampleLayout(true, ','));
    const QString start = "#2024-03-05 14:07:09#,\"bench 3\"\r\n" + header + "\r\n";
    QString error;
    {
        LogFile log;
        ASSERT_TRUE(BeginLog(log, path, true, kNow, "bench 3", header, error)); // no file yet
        EXPECT_TRUE(log.writeLine("row 1"));
        EXPECT_EQ(readAll(path), start + "row 1\r\n"); // flushed, still open
    }
    {
        LogFile log;
        ASSERT_TRUE(BeginLog(log, path, true, kNow, "bench 3", header, error));
        log.writeLine("row 2");
    }
    EXPECT_EQ(readAll(path), start + "row 1\r\nrow 2\r\n");
    {
        LogFile log;
        ASSERT_TRUE(BeginLog(log, path, false, kNow, "bench 3", header, error));
    }
    EXPECT_EQ(readAll(path), start);

    LogFile log;
    EXPECT_FALSE(
        BeginLog(log, dir.filePath("no/such/folder/run.csv"), false, kNow, "", header, error));
    EXPECT_TRUE(error.contains("no/such/folder/run.csv"));
}

TEST(MeasurementLog, LoggerPathsGetTheDelimitersExtensionByTheFileNameOnly) {
    struct Case {
        const char* typed;
        QChar delimiter;
        const char* path;
    };
    const Case cases[] = {
        {"run1", ',', "run1.csv"},
        {"run1", '\t', "run1.txt"},
        {"/data/v1.2/run", ',', "/data/v1.2/run.csv"},
        {"run.log", '\t', "run.log"},
        {"  ", ',', ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoggerFilePath(c.typed, c.delimiter), c.path) << c.typed;
}

} // namespace
