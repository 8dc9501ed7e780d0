#include "transients/TransientListFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A good file: relative, steady state with phases A and C, two steps.
QStringList goodLines() {
    return {"Bench run, 115 V",
            "-1,\"115.0\",\"400.0\"",
            "0",
            "11",
            "0",
            "3",
            "2",
            "-1",
            "0",
            "1",
            "1",
            "0",
            "1",
            "\"V Drop\",\"0.02\",\"\",\"\",\"\",\"\",\"\"",
            "\"V Step\",\"0.5\",\"90\",\"\",\"2\",\"squ\",\"90\""};
}

QString readError(const QStringList& lines) {
    return ParseTransientList("table.tls", lines).error;
}

} // namespace

TEST(TransientListFile, RelativeTableRoundTripsWithItsTextsAndPhaseMask) {
    StepTable t;
    t.relative = true;
    t.vnomText = "115.0";
    t.fnomText = "400.0";
    t.useSteadyState = true;
    t.phases = {true, false, true};
    t.runCount = 3;
    t.triggerSource = TriggerSource::External;
    t.autoPacing = false;
    t.popup = true;
    t.cycles = true;
    t.comment = "Sags, then a sweep";
    t.rows = {{"V Srg/Sag", "2", "80", "", "1", "", ""},
              {"F Sweep", "10", "", "105", "", "sin", "45.5"}};

    QTemporaryDir dir;
    const QString path = dir.filePath("relative.tls");
    QString error;
    ASSERT_TRUE(WriteTransientList(path, t, error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList records = QString::fromUtf8(f.readAll()).split("\r\n");
    EXPECT_EQ(records.mid(0, 13),
              (QStringList{"Sags, then a sweep", "-1,\"115.0\",\"400.0\"", "1", "11", "0", "3", "1",
                           "0", "-1", "1", "1", "0", "1"}));
    EXPECT_EQ(records[13], "\"V Srg/Sag\",\"2\",\"80\",\"\",\"1\",\"\",\"\"");

    const TransientListRead r = ReadTransientList(path);
    ASSERT_TRUE(r.table) << r.error.toStdString();
    const StepTable& back = *r.table;
    EXPECT_TRUE(back.relative);
    EXPECT_EQ(back.vnomText, "115.0");
    EXPECT_EQ(back.fnomText, "400.0");
    EXPECT_TRUE(back.useSteadyState);
    EXPECT_EQ(back.phases, (std::array<bool, 3>{true, false, true}));
    EXPECT_TRUE(back.cycles);
    EXPECT_EQ(back.runCount, 3);
    EXPECT_EQ(back.triggerSource, TriggerSource::External);
    EXPECT_FALSE(back.autoPacing);
    EXPECT_TRUE(back.popup);
    EXPECT_EQ(back.comment, t.comment);
    EXPECT_EQ(back.rows, t.rows);
}

TEST(TransientListFile, CommentGoesOnOneLineAndIsReadWhole) {
    StepTable t;
    t.comment = "First line,\r\nsecond \"quoted\", third\nend";
    t.rows = {{"Delay", "1", "", "", "", "", ""}};
    const QStringList records = TransientListRecords(t);
    EXPECT_EQ(records[0], "First line, second \"quoted\", third end");
    const TransientListRead r = ParseTransientList("c.tls", records);
    ASSERT_TRUE(r.table) << r.error.toStdString();
    EXPECT_EQ(r.table->comment, records[0]);
    ASSERT_EQ(r.table->rows.size(), 1u);
}

TEST(TransientListFile, OnlyTrailingBlankRowsAreLeftOutAndUnstorableTextsWriteNothing) {
    StepTable t;
    t.rows = {{"Delay", "1", "", "", "", "", ""},
              {"", " ", "", "", "", "", ""},
              {"V Step", "1", "50", "", "", "", ""},
              {"", "", "", "", "", "", ""}};
    // The blank row between the steps ends the table; saved and opened
    // again, the table must still end there.
    const QStringList records = TransientListRecords(t);
    ASSERT_EQ(records.size(), 16);
    const TransientListRead back = ParseTransientList("blank.tls", records);
    ASSERT_TRUE(back.table) << back.error.toStdString();
    ASSERT_EQ(back.table->rows.size(), 3u);
    EXPECT_EQ(StepTypeFromName(back.table->rows[1][ColType]), StepType::Empty);

    QTemporaryDir dir;
    const QString path = dir.filePath("quoted.tls");
    QString error;
    t.rows[2][ColWaveform] = "my \"wave\"";
    EXPECT_FALSE(WriteTransientList(path, t, error));
    EXPECT_TRUE(error.contains("Row 3, \"Waveform\"")) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

TEST(TransientListFile, BareFieldsAreReadAsWellAsQuotedOnes) {
    QStringList lines = goodLines();
    lines[1] = "0, 120.0 ,60";
    lines[13] = "V Step,0.5,50,,,,";
    const TransientListRead r = ParseTransientList("bare.tls", lines);
    ASSERT_TRUE(r.table) << r.error.toStdString();
    EXPECT_FALSE(r.table->relative);
    EXPECT_EQ(r.table->vnomText, "120.0");
    EXPECT_EQ(r.table->fnomText, "60");
    EXPECT_EQ(r.table->rows[0], (StepRow{"V Step", "0.5", "50", "", "", "", ""}));
    EXPECT_EQ(r.table->rows[1][ColWaveform], "squ");
}

TEST(TransientListFile, DamagedFileIsRefusedNamingFileAndLine) {
    const struct {
        const char* what;
        int line; // 1-based; 0 drops the lines from there on
        const char* text;
        int expectedLine;
    } cases[] = {
        {"short header", 6, nullptr, 6},
        {"non-numeric cycles flag", 3, "yes", 3},
        {"flag out of range", 10, "2", 10},
        {"data mode record short", 2, "-1,\"115.0\"", 2},
        {"phase mask too large", 4, "16", 4},
        {"run count not whole", 6, "2.5", 6},
        {"run count zero", 6, "0", 6},
        {"trigger source unknown", 7, "3", 7},
        {"both pacing flags", 9, "-1", 8},
        {"step with six fields", 14, "\"V Drop\",\"0.02\",\"\",\"\",\"\",\"\"", 14},
        {"unknown type", 15, "\"V Jump\",\"0.5\",\"90\",\"\",\"\",\"\",\"\"", 15},
        {"quote not closed", 15, "\"V Step,\"0.5\",\"90\",\"\",\"\",\"\",\"\"", 15},
    };
    for (const auto& c : cases) {
        QStringList lines = goodLines();
        if (c.text)
            lines[c.line - 1] = c.text;
        else
            lines = lines.mid(0, c.line - 1);
        const TransientListRead r = ParseTransientList("table.tls", lines);
        EXPECT_FALSE(r.table) << c.what;
        EXPECT_TRUE(r.error.startsWith(QString("table.tls, line %1: ").arg(c.expectedLine)))
            << c.what << ": " << r.error.toStdString();
    }
    EXPECT_TRUE(readError(goodLines()).isEmpty());
}

TEST(TransientListFile, MoreThanAHundredStepsAreRefused) {
    QStringList lines = goodLines().mid(0, 13);
    for (int i = 0; i < 101; ++i)
        lines.append("\"Delay\",\"1\",\"\",\"\",\"\",\"\",\"\"");
    EXPECT_TRUE(readError(lines).startsWith("table.tls, line 114: "));
    lines.removeLast();
    EXPECT_TRUE(readError(lines).isEmpty());
}

TEST(TransientListFile, MissingOrUnwritableFileNamesThePath) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("absent.tls");
    const TransientListRead r = ReadTransientList(missing);
    EXPECT_FALSE(r.table);
    EXPECT_TRUE(r.error.contains(missing));

    QString error;
    const QString unwritable = dir.filePath("no/such/folder/t.tls");
    EXPECT_FALSE(WriteTransientList(unwritable, StepTable{}, error));
    EXPECT_TRUE(error.contains(unwritable)) << error.toStdString();
}

TEST(TransientListFile, DefaultExtensionLooksAtTheFileNamePartOnly) {
    EXPECT_EQ(TransientListPath("my.dir/table"), "my.dir/table.tls");
    EXPECT_EQ(TransientListPath("my.dir/table.TLS"), "my.dir/table.TLS");
    EXPECT_EQ(TransientListPath("table.old"), "table.old");
    EXPECT_EQ(TransientListPath("table"), "table.tls");
}
