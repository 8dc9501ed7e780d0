// Appending to a log whose last row was cut short (the writer died inside
// it): the fragment goes, so the first new row is not glued onto it.
#include "measure/MeasurementLog.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

struct TornCase {
    const char* name;
    QByteArray before;
    QByteArray after; // once row "r9" is appended
};

// The case by its name in CTest's list, not as bytes.
void PrintTo(const TornCase& c, std::ostream* out) {
    *out << c.name;
}

class LogAppend : public testing::TestWithParam<TornCase> {};

TEST_P(LogAppend, DropsAnUnfinishedLastRowAndKeepsEveryWholeOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("run.csv");
    QFile seed(path);
    ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
    seed.write(GetParam().before);
    seed.close();

    LogFile log;
    QString error;
    ASSERT_TRUE(BeginLog(log, path, true, QDateTime(QDate(2026, 1, 1), QTime(8, 0)), "bench",
                         "\"F\"", error))
        << error.toStdString();
    ASSERT_TRUE(log.writeLine("r9"));
    log.close();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), GetParam().after);
}

const QByteArray kLongFragment(5000, '7'); // longer than one read of the tail

INSTANTIATE_TEST_SUITE_P(
    Cases, LogAppend,
    testing::Values(
        TornCase{"whole", "h\r\nr1\r\n", "h\r\nr1\r\nr9\r\n"},
        TornCase{"torn", "h\r\nr1\r\nr2,12", "h\r\nr1\r\nr9\r\n"},
        TornCase{"tornAfterCarriageReturn", "h\r\nr1\r\nr2\r", "h\r\nr1\r\nr9\r\n"},
        TornCase{"longFragment", "h\r\nr1\r\n" + kLongFragment, "h\r\nr1\r\nr9\r\n"},
        // Nothing whole is left: the log starts again with its first line and header.
        TornCase{"onlyAFragment", "#2026-01-0", "#2026-01-01 08:00:00#,\"bench\"\r\n\"F\"\r\nr9\r\n"}),
    [](const testing::TestParamInfo<TornCase>& info) { return std::string(info.param.name); });

} // namespace
