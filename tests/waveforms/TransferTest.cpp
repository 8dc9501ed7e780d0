// Sending waveforms to the virtual source: one period from a window or the
// command line, the library's batches, deleting every register.
#include "WaveformFixture.h"

#include "core/Program.h"
#include "link/WaveformTransfer.h"
#include "waveforms/AbwFile.h"
#include "waveforms/LibraryBatch.h"
#include "waveforms/Synthesis.h"
#include "waveforms/WaveformName.h"
#include "waveforms/WaveformSend.h"

#include <QDir>
#include <QFile>

#include <cmath>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kNoSource =
    QStringLiteral("Waveform transfer cancelled.\r\nNo Interface to AC Source available!");

Synthesis tableOf(std::initializer_list<Harmonic> harmonics) {
    return Synthesise(harmonics, std::sqrt(2.0) * 150);
}

class Transfer : public WaveformFixture {};

TEST_F(Transfer, SendsTheExactDefinitionAndDataLines) {
    connectSource();
    const Synthesis s = tableOf({{1, 100, 0}});
    const SendOutcome sent = SendWaveform(program(), QStringLiteral("SINE1"), s.d, 0);
    EXPECT_EQ(sent.result, SendResult::Done);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('|').toStdString();
    EXPECT_FALSE(program().waveformTransferInProgress);

    const QStringList lines = received();
    const qsizetype def = lines.indexOf(QStringLiteral("trac:def SINE1"));
    ASSERT_GE(def, 0);
    ASSERT_GT(lines.size(), def + 2);
    EXPECT_EQ(lines[def + 1], QStringLiteral("syst:err?"));
    const QStringList data = lines.filter(QStringLiteral("trac:data SINE1,"));
    ASSERT_EQ(data.size(), 1);
    EXPECT_TRUE(data[0].startsWith(QStringLiteral("trac:data SINE1,0.0,0.0061,0.0123,")));
    // The source's log cuts long lines: the whole line is the one the link builds.
    const QStringList fields =
        WaveformDataCommand(QStringLiteral("SINE1"), 1023, s.d).split(QLatin1Char(','));
    ASSERT_EQ(fields.size(), 1025);
    EXPECT_EQ(fields[1 + 256], QStringLiteral("1.0"));
    EXPECT_EQ(fields[1 + 512], QStringLiteral("0.0"));
    EXPECT_EQ(fields[1 + 1023], QStringLiteral("-0.0061"));
    const std::vector<double> held = registerSamples(QStringLiteral("SINE1"));
    ASSERT_EQ(held.size(), 1024u);
    for (int k = 0; k < 1024; ++k)
        ASSERT_EQ(held[k], fields[1 + k].toDouble()) << k;
}

TEST_F(Transfer, TheSourceLimitCheckRefusesSamplesBeyondFullScale) {
    connectSource();
    const Synthesis wide = tableOf({{1, 100, 0}, {2, 20, 90}}); // d reaches -1.2
    ASSERT_EQ(SendWaveform(program(), QStringLiteral("WIDE"), tableOf({{1, 100, 0}}).d, 0).result,
              SendResult::Done);
    const SendOutcome refused = SendWaveform(program(), QStringLiteral("WIDE"), wide.d, 0);
    EXPECT_EQ(refused.result, SendResult::SourceError);
    EXPECT_TRUE(refused.sourceError.startsWith(QStringLiteral("-222,")))
        << refused.sourceError.toStdString();
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_EQ(prompt().messages()[0],
              QStringLiteral("Waveform download resulted in following error:\r\n") +
                  refused.sourceError);
    EXPECT_NEAR(registerSamples(QStringLiteral("WIDE"))[256], 1.0, 1e-4)
        << "the register kept its samples";

    program().link.Send(0, QStringLiteral("trac:lim off"));
    prompt().clear();
    EXPECT_EQ(SendWaveform(program(), QStringLiteral("WIDE"), wide.d, 0).result, SendResult::Done);
    const std::vector<double> held = registerSamples(QStringLiteral("WIDE"));
    ASSERT_EQ(held.size(), 1024u);
    for (int k = 0; k < 1024; ++k)
        ASSERT_NEAR(held[k], wide.d[k], 5.1e-5) << k;
}

TEST_F(Transfer, FullMemorySendsNoDataAndNoSourceSendsNothing) {
    connectSource({QStringLiteral("--wave-slots"), QStringLiteral("0")});
    EXPECT_EQ(SendWaveform(program(), QStringLiteral("FULL"), tableOf({{1, 100, 0}}).d, 0).result,
              SendResult::MemoryFull);
    EXPECT_TRUE(received().filter(QStringLiteral("trac:data")).isEmpty());
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(
        prompt().messages()[0].startsWith(QStringLiteral("AC Source waveform memory is full.")));

    ProgramFixture offline;
    EXPECT_EQ(
        SendWaveform(offline.program(), QStringLiteral("SINE"), tableOf({{1, 100, 0}}).d, 0).result,
        SendResult::NoSource);
    EXPECT_EQ(offline.prompt().messages(), QStringList{kNoSource});
}

TEST_F(Transfer, ADroppedConnectionIsAFailedTransfer) {
    connectSource();
    ASSERT_TRUE(source.control(QStringLiteral("fault drop 3")));
    const SendOutcome sent =
        SendWaveform(program(), QStringLiteral("SINE"), tableOf({{1, 100, 0}}).d, 0);
    EXPECT_EQ(sent.result, SendResult::LinkLost);
    EXPECT_FALSE(program().waveformTransferInProgress);
}

TEST(WaveformNames, OneRuleForTypedAndFileNames) {
    ProgramFixture f;
    EXPECT_EQ(TypedWaveformName(QStringLiteral("averylongwaveformname")),
              QStringLiteral("AVERYLONGWAV"));
    EXPECT_EQ(FileWaveformName(QStringLiteral("/x/harm3.hwv")), QStringLiteral("HARM3"));
    EXPECT_EQ(FileWaveformName(QStringLiteral("/x/averylongwaveformname.abw")),
              QStringLiteral("AVERYLONGWAVEFORMNAME"));
    const struct {
        QString name;
        QString message; // "" when it passes
    } cases[] = {
        {QStringLiteral("HARM_3A"), {}},
        {QStringLiteral("1ABC"),
         QStringLiteral("First character of waveform name must be alpha character A-Z\r\n"
                        "Transfer of 1ABC cancelled.")},
        {QStringLiteral("MY WAVE"),
         QStringLiteral("Waveform name may hold only letters A-Z, digits 0-9 and _\r\n"
                        "Transfer of MY WAVE cancelled.")},
        {QStringLiteral("WAVE-2"),
         QStringLiteral("Waveform name may hold only letters A-Z, digits 0-9 and _\r\n"
                        "Transfer of WAVE-2 cancelled.")},
    };
    for (const auto& c : cases) {
        f.prompt().clear();
        EXPECT_EQ(CheckWaveformName(f.program(), c.name), c.message.isEmpty())
            << c.name.toStdString();
        EXPECT_EQ(f.prompt().messages(),
                  c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
}

class Batch : public WaveformFixture {
protected:
    QString folder;
    void SetUp() override { folder = libraryFolder(); }
    static QStringList names(const QList<BatchItem>& items) {
        QStringList out;
        for (const BatchItem& i : items)
            out << i.name;
        return out;
    }
};

TEST_F(Batch, DownloadsInLibraryOrderReportingEachFileUnderItsOwnName) {
    connectSource();
    const QStringList files = LibraryFiles(folder);
    ASSERT_EQ(files.size(), 15);
    EXPECT_TRUE(files[0].endsWith("/2fast.abw"));
    EXPECT_TRUE(files[1].endsWith("/Alpha.abw"));
    EXPECT_TRUE(files[2].endsWith("/bent.abw"));
    EXPECT_TRUE(files[3].endsWith("/beta.ABW"));
    EXPECT_TRUE(files[14].endsWith("/Wide.abw"));

    const BatchReport report = DownloadBatch(program(), files);
    EXPECT_EQ(report.stopped, BatchStop::None);
    EXPECT_EQ(names(report.downloaded), QStringList({"ALPHA", "BETA", "C1", "D2", "E3", "F4", "G5",
                                                     "H6", "I7", "J8", "K9", "L10"}));
    ASSERT_EQ(names(report.failed), QStringList({"2FAST", "BENT", "WIDE"}));
    EXPECT_EQ(report.refused, 2);
    EXPECT_EQ(report.sourceErrors, 1);
    EXPECT_TRUE(report.failed[1].reason.contains("line 3"))
        << report.failed[1].reason.toStdString();
    EXPECT_TRUE(report.failed[2].reason.startsWith("-222,"))
        << report.failed[2].reason.toStdString();
    EXPECT_EQ(program().sourceModel.WaveformNames[3],
              QStringLiteral("ALPHA")); // the catalog re-read
    EXPECT_EQ(program().sourceModel.WaveformNames[14], QStringLiteral("L10"));
    EXPECT_EQ(program().link.CheckError(), QString()) << "nothing left for the next command";
    EXPECT_EQ(received().filter(QStringLiteral("trac:cat?")).size(), 1);
}

TEST_F(Batch, FullMemoryAndStopEndTheBatchAfterAWholeWaveform) {
    connectSource({QStringLiteral("--wave-slots"), QStringLiteral("5")});
    const QStringList files = LibraryFiles(folder);
    const BatchReport full = DownloadBatch(program(), files);
    EXPECT_EQ(full.stopped, BatchStop::MemoryFull);
    EXPECT_EQ(full.downloaded.size(), 5);
    EXPECT_EQ(prompt().messages().filter(QStringLiteral("memory is full")).size(), 1);

    program().link.Send(0, QStringLiteral("trac:del:all"));
    const qsizetype before = received().size();
    int asked = 0;
    const BatchReport stopped =
        DownloadBatch(program(), files.mid(1), std::nullopt, [&] { return ++asked == 1; });
    EXPECT_EQ(stopped.stopped, BatchStop::Operator);
    EXPECT_EQ(names(stopped.downloaded), QStringList({"ALPHA"}));
    const QStringList lines = received().mid(before);
    EXPECT_EQ(lines.filter(QStringLiteral("trac:def ALPHA")).size(), 1);
    EXPECT_EQ(lines.filter(QStringLiteral("trac:def BETA")).size(), 0);
}

TEST_F(Batch, DeleteAllShowsARegisterInUseAndRereadsTheCatalog) {
    connectSource();
    ASSERT_EQ(DownloadBatch(program(), LibraryFiles(folder).mid(1, 1)).downloaded.size(), 1);
    program().link.Send(0, QStringLiteral("func alpha"));
    prompt().answer(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteAllWaveforms(program()));
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith(
        QStringLiteral("Delete operation requested failed\r\n-221,")))
        << prompt().messages()[0].toStdString();
    EXPECT_EQ(program().sourceModel.WaveformNames[3], QStringLiteral("ALPHA"));
}

} // namespace
