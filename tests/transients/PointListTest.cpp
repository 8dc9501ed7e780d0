// The list editor's logic: its checks and list lines, the run's set-up and
// start, ".TRL" files, and reading the source's lists back.
#include "link/LinkConversation.h"

#include "link/Identification.h"
#include "transients/PointListCommands.h"
#include "transients/PointListFile.h"

#include <QFile>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Dwell [1, 0.5] and phase A's lists on a three-phase Vk source.
PointTable twoPoints() {
    PointTable t;
    t.select[SelectVoltA] = true;
    t.columns[ColDwell] = {QStringLiteral("1"), QStringLiteral("0.5")};
    t.columns[ColVoltA] = {QStringLiteral("0"), QStringLiteral("115")};
    t.columns[ColSlewA] = {QStringLiteral("max"), QStringLiteral("20")};
    t.columns[ColFunctionA] = {QStringLiteral("sinusoid"), QStringLiteral("sinusoid")};
    t.columns[ColListRepeat] = {QStringLiteral("0"), QStringLiteral("0")};
    return t;
}

const PointListTarget kThreePhaseVk{false, 3, true};

TEST(PointListWrite, SendsEachSelectedListWithItsMaskAndTheOthersFixed) {
    const PointListLines out = PointListWriteCommands(twoPoints(), kThreePhaseVk);
    ASSERT_TRUE(out.refusal.isEmpty()) << out.refusal.toStdString();
    const QStringList& l = out.lines;
    for (const char* line :
         {"list:dwell 1.0000,0.5000", "list:rep 0,0", "list:ttlt 0",
          "freq:mode fix;:freq:slew:mode fix", "inst:coup none",
          "inst:nsel 1;:volt:mode list;:volt:slew:mode list", "inst:nsel 1;:list:volt 0.0,115.0",
          "list:volt:slew max,20.0000", "func:mode list", "list:shap sinusoid,sinusoid",
          "inst:nsel 2;:volt:mode fix;:volt:slew:mode fix",
          "inst:nsel 3;:volt:mode fix;:volt:slew:mode fix"})
        EXPECT_TRUE(l.contains(QLatin1String(line))) << line << "\n" << l.join('\n').toStdString();
    // Phase A's slew and function follow its selection, before phase B is selected.
    const qsizetype a = l.indexOf(QStringLiteral("inst:nsel 1;:list:volt 0.0,115.0"));
    EXPECT_LT(l.indexOf(QStringLiteral("inst:nsel 1;:volt:mode list;:volt:slew:mode list")), a);
    EXPECT_LT(a, l.indexOf(QStringLiteral("list:volt:slew max,20.0000")));
    EXPECT_LT(l.indexOf(QStringLiteral("list:shap sinusoid,sinusoid")),
              l.indexOf(QStringLiteral("inst:nsel 2;:volt:mode fix;:volt:slew:mode fix")));

    // A single-phase source is never asked about phases B and C.
    const PointListLines single = PointListWriteCommands(twoPoints(), {false, 1, true});
    EXPECT_TRUE(single.lines.filter(QStringLiteral("inst:nsel 2")).isEmpty());
    EXPECT_TRUE(single.lines.filter(QStringLiteral("inst:coup")).isEmpty());
}

TEST(PointListWrite, IncompleteListsAreRefusedBeforeAnythingIsSent) {
    const struct {
        const char* what;
        std::function<void(PointTable&)> change;
        QString refusal;
    } cases[] = {
        {"nothing selected", [](PointTable& t) { t.select = {}; },
         QStringLiteral("None of the available list systems\r\nis selected. Nothing do to.")},
        {"short Volt B",
         [](PointTable& t) {
             t.select[SelectVoltB] = true;
             t.columns[ColVoltB] = {QStringLiteral("10")};
             t.columns[ColSlewB] = {QStringLiteral("max"), QStringLiteral("max")};
             t.columns[ColFunctionB] = {QStringLiteral("sinusoid"), QStringLiteral("sinusoid")};
         },
         QStringLiteral("Voltage phase B list is selected but not\r\nall data is entered. Run aborted.")},
        {"short slew of a selected frequency list",
         [](PointTable& t) {
             t.select[SelectFreq] = true;
             t.columns[ColFreq] = {QStringLiteral("60"), QStringLiteral("400")};
             t.columns[ColFreqSlew] = {QStringLiteral("max")};
         },
         QStringLiteral("Frequency list is selected but not\r\nall data is entered. Run aborted.")},
        {"no repeat list", [](PointTable& t) { t.columns[ColListRepeat].clear(); },
         QStringLiteral("Dwell or repeat list\r\nhas no data. Run aborted.")},
        {"a word in a voltage cell",
         [](PointTable& t) { t.columns[ColVoltA][1] = QStringLiteral("high"); },
         QStringLiteral("Row 2 of column 4 (Volt(A)): \"high\" is not a number.\r\nNothing was sent.")},
        {"a gap", [](PointTable& t) { t.columns[ColListRepeat] = {QString(), QStringLiteral("1")}; },
         QStringLiteral("Column 13 (Repeat) has an empty cell above row 2.\r\nNothing was sent.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PointTable t = twoPoints();
        c.change(t);
        const PointListLines out = PointListWriteCommands(t, kThreePhaseVk);
        EXPECT_EQ(out.refusal, c.refusal);
        EXPECT_TRUE(out.lines.isEmpty());
    }
}

TEST(PointListRun, SetUpAndStartFollowTheAcquisitionTriggerPoints) {
    PointTable t = twoPoints();
    t.listCount = 3;
    t.once = true;
    t.triggerSource = PointTriggerBus;
    t.retrigger = true;
    t.startAtAngle = true;
    t.startAngle = 90;
    EXPECT_EQ(PointListRunSetup(t, kThreePhaseVk, 2),
              (QStringList{"list:step once;:list:coun 3", "trig:tran:source bus", "init:cont:seq1 1",
                           "outp:ttlt 0;:trig:acq:sour imm",
                           ":trig:sync:phas 90.0;:trig:sync:sour phas"}));
    EXPECT_EQ(PointListStartCommands(t), QStringList{":init:seq1"});

    t.columns[ColAcqTrig] = {QStringLiteral("0"), QStringLiteral("1")};
    t.startAtAngle = false;
    t.retrigger = false;
    t.once = false;
    t.triggerSource = PointTriggerImmediate;
    EXPECT_EQ(PointListRunSetup(t, kThreePhaseVk, 2),
              (QStringList{"list:step auto;:list:coun 3", "trig:tran:source imm", "init:cont:seq1 0",
                           "sens:swe:offs 0.002",
                           "outp:ttlt:sour list;:outp:ttlt 1;:trig:acq:sour ttlt",
                           ":trig:sync:sour imm"}));
    EXPECT_EQ(PointListStartCommands(t), (QStringList{":init:seq3", ":init:seq1"}));
    EXPECT_TRUE(PointListWriteCommands(t, kThreePhaseVk).lines.contains("list:ttlt 0,1"));
}

class PointListFiles : public ::testing::Test, public ProgramFixture {
protected:
    QString write(const QString& name, const QByteArray& text) {
        const QString path = tempPath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
};

TEST_F(PointListFiles, RoundTripKeepsUnevenColumnsAndPutsTheCommentOnOneLine) {
    PointTable t = twoPoints();
    t.comment = QStringLiteral("bench 4\nsecond line");
    t.columns[ColAcqTrig] = {QStringLiteral("1")};
    t.columns[ColDwell] << QStringLiteral("0.25");
    t.listCount = 7;
    t.startAtAngle = true;
    t.startAngle = 270.5;
    t.triggerSource = PointTriggerExternal;
    t.once = true;
    const QString path = tempPath(QStringLiteral("list.TRL"));
    QString error;
    ASSERT_TRUE(WritePointListFile(path, t, error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines[0], QStringLiteral("bench 4 second line"));
    EXPECT_EQ(lines[1], QStringLiteral("7,0,1,0,0,-1,0"));
    EXPECT_EQ(lines[6], QStringLiteral(R"("1","","","0","max","sinusoid","","","","","","","0","1")"));
    EXPECT_EQ(lines[8], QStringLiteral(R"("0.25","","","","","","","","","","","","","")"));

    const std::optional<PointTable> back = ReadPointListFile(path, error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->comment, lines[0]);
    EXPECT_EQ(back->columns, t.columns);
    EXPECT_EQ(back->select, t.select);
    EXPECT_EQ(back->listCount, 7);
    EXPECT_TRUE(back->startAtAngle);
    EXPECT_DOUBLE_EQ(back->startAngle, 270.5);
    EXPECT_EQ(back->triggerSource, PointTriggerExternal);
    EXPECT_TRUE(back->once);
}

// A bare field may hold a double quote; written in quotes it would make a
// file that cannot be read back, so the table is refused and the old file kept.
TEST_F(PointListFiles, ACellWithAQuoteIsReadButNotWritten) {
    const QString path = write(QStringLiteral("quote.trl"),
                               "note\n1,1,0,0,0,0,-1\n0\n0\n-1\n0\n"
                               "\"1\",\"\",\"\",\"5\",\"max\",si/\"\"n,\"\",\"\",\"\",\"\",\"\",\"\",\"0\",\"\"\n");
    QString error;
    const std::optional<PointTable> t = ReadPointListFile(path, error);
    ASSERT_TRUE(t) << error.toStdString();
    ASSERT_EQ(t->columns[ColFunctionA], QStringList{QStringLiteral("si/\"\"n")});

    const QString out = write(QStringLiteral("old.trl"), "old");
    EXPECT_FALSE(WritePointListFile(out, *t, error));
    EXPECT_EQ(error, QStringLiteral("The transient list file %1 was not written. Row 1, column 6 "
                                    "(Function): a double quote or a line break cannot be stored.")
                         .arg(out));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
}

TEST_F(PointListFiles, ADamagedFileIsRefusedNamingFileAndLine) {
    const QByteArray header = "note\n1,1,0,0,0,0,-1\n0\n0\n-1\n0\n";
    const QByteArray row = "\"1\",\"\",\"\",\"5\",\"max\",\"sinusoid\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\",\"\"\n";
    const struct {
        const char* what;
        QByteArray text;
        QString error;
    } cases[] = {
        {"short header", "note\n1,1,0,0,0,0,-1\n0\n", "line 4: the header ends early (3 lines of 6)."},
        {"non-numeric flag", "note\n1,1,x,0,0,0,-1\n0\n0\n-1\n0\n",
         "line 2: A list selection \"x\" is not a whole number from 0 to 1."},
        {"wrong field count", header + "\"1\",\"2\"\n", "line 7: 14 fields expected, 2 found."},
        {"a word for a number", header + row + QByteArray(row).replace("\"5\"", "\"five\""),
         "line 8: column 4 (Volt(A)): \"five\" is not a number."},
        {"a gap in a column",
         header + QByteArray(row).replace("\"5\"", "\"\"") + row,
         "line 8: column 4 (Volt(A)) has a gap above row 2."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = write(QStringLiteral("bad.TRL"), c.text);
        QString error;
        EXPECT_FALSE(ReadPointListFile(path, error));
        EXPECT_EQ(error, path + QStringLiteral(", ") + c.error);
    }
    // Bare fields are read as quoted ones.
    QString error;
    const auto bare = ReadPointListFile(
        write(QStringLiteral("bare.TRL"), header + "1,,,5,max,sinusoid,,,,,,,0,\n"), error);
    ASSERT_TRUE(bare) << error.toStdString();
    EXPECT_EQ(bare->columns[ColVoltA], QStringList{QStringLiteral("5")});
}

// Write and Read against the virtual source.
class PointListConversation : public LinkConversation {};

TEST_P(PointListConversation, WrittenListsReadBackAsWrittenAndLongListsAreCut) {
    start({QStringLiteral("--model"), QStringLiteral("3"), QStringLiteral("--list-capacity"),
           QStringLiteral("150")});
    ASSERT_EQ(identify(), 3);
    InstrumentLink& link = program().link;
    const PointListLines out = PointListWriteCommands(twoPoints(), kThreePhaseVk);
    for (const QString& line : out.lines)
        link.Send(0, line);
    ASSERT_EQ(link.CheckError(), QString());

    PointTable read;
    QString note;
    ASSERT_FALSE(ReadPointLists(program(), kThreePhaseVk, read, note));
    EXPECT_EQ(read.columns[ColDwell], (QStringList{"1.0", "0.5"}));
    EXPECT_EQ(read.columns[ColSlewA], (QStringList{"max", "20.0"}));
    EXPECT_EQ(read.columns[ColFunctionA], (QStringList{"SINUSOID", "SINUSOID"}));
    EXPECT_TRUE(note.isEmpty());
    // Written again, the word goes out as typed.
    read.select[SelectVoltA] = true;
    EXPECT_TRUE(PointListWriteCommands(read, kThreePhaseVk).lines.contains("list:volt:slew max,20.0000"));

    QStringList dwells;
    for (int i = 0; i < 150; ++i)
        dwells << QStringLiteral("0.01");
    link.Send(0, QStringLiteral("list:dwell ") + dwells.join(QLatin1Char(',')));
    ASSERT_EQ(link.CheckError(), QString());
    ASSERT_FALSE(ReadPointLists(program(), kThreePhaseVk, read, note));
    EXPECT_EQ(read.columns[ColDwell].size(), kMaxListPoints);
    EXPECT_EQ(note, QStringLiteral("The source holds more than 100 points in Dwell (150 points); "
                                   "the first 100 are shown."));
}

INSTANTIATE_TEST_SUITE_P(Transports, PointListConversation, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
