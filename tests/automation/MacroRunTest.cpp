// Macros played on the virtual source: what each kind of line sends, the
// directives' questions, waits and files, and how errors stop the play.
#include "link/LinkConversation.h"

#include "automation/MacroRun.h"
#include "measure/ProgramIo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class MacroRunTest : public LinkConversation {
protected:
    void SetUp() override {
        start({QStringLiteral("--model"), QStringLiteral("0")});
        ASSERT_EQ(identify(), 0);
    }
    MacroOutcome play(const QStringList& lines, MacroOptions options = {}) {
        ProgramIo io(program());
        MacroRun run(program(), io, lines, tempPath({}), options);
        runner = &run;
        MacroOutcome o = run.run();
        runner = nullptr;
        return o;
    }
    // The lines received since `mark`, once the source has run everything sent.
    QStringList sentSince(qsizetype mark) {
        EXPECT_FALSE(program().link.Query(0, QStringLiteral("*opc?")).isEmpty());
        QStringList lines = receivedSince(mark);
        if (!lines.isEmpty()) lines.removeLast();
        return lines;
    }
    MacroRun* runner = nullptr;
};

TEST_P(MacroRunTest, ReadThenWriteSendsTheReadingAndCaseIsKept) {
    const qsizetype mark = received().size();
    const MacroOutcome o = play({"Volt 42.5", "outp 1", "' volt 1 is never sent", "",
                                 "#read(Meas:Volt?)", "#WRITE(volt )", "outp 0"});
    ASSERT_EQ(o.result, MacroResult::Completed) << o.message.toStdString();
    EXPECT_EQ(o.message, QStringLiteral("Execution completed."));
    EXPECT_EQ(sentSince(mark), QStringList({"Volt 42.5", "outp 1", "Meas:Volt?", "volt 42.5", "outp 0"}));
    ASSERT_EQ(o.lines.size(), 7u);
    EXPECT_EQ(o.lines[4].reply, std::optional<QString>(QStringLiteral("42.5")));
    EXPECT_EQ(o.lines[2].kind, MacroKind::Comment);
}

TEST_P(MacroRunTest, CancelAtAPromptStopsALoopingMacro) {
    prompt().answer(PromptAnswer::Ok);
    prompt().answer(PromptAnswer::Cancel);
    MacroOptions options;
    options.passes = 0;
    const qsizetype mark = received().size();
    const MacroOutcome o = play({"volt 1", "#PROMPT(Connect the load, then OK)"}, options);
    EXPECT_EQ(o.result, MacroResult::Aborted);
    EXPECT_EQ(o.message, QStringLiteral("Execution aborted by user."));
    EXPECT_EQ(sentSince(mark), QStringList({"volt 1", "volt 1"}));
    ASSERT_EQ(prompt().questions().size(), 2);
    EXPECT_EQ(prompt().calls().last().title, QStringLiteral("Operator Prompt #2"));
    EXPECT_EQ(prompt().calls().last().text, QStringLiteral("Connect the load, then OK"));
    EXPECT_EQ(prompt().calls().last().buttons, PromptButtons::OkCancel);
}

TEST_P(MacroRunTest, DelayWaitsWithoutSendingAndAbortCutsItShort) {
    const qsizetype mark = received().size();
    QElapsedTimer clock;
    clock.start();
    MacroOutcome o = play({"#DELAY 2.5"});
    EXPECT_GE(clock.elapsed(), 2450);
    EXPECT_LT(clock.elapsed(), 3500);
    EXPECT_EQ(o.result, MacroResult::Completed);
    EXPECT_EQ(sentSince(mark), QStringList());

    clock.restart();
    QTimer::singleShot(200, [this] { runner->abort(); });
    o = play({"#DELAY 30", "volt 3"});
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(o.result, MacroResult::Aborted);
    EXPECT_FALSE(sentSince(0).contains(QStringLiteral("volt 3")));
}

TEST_P(MacroRunTest, ErrorsStopThePlayWithTheirEntryNumber) {
    const struct {
        QStringList lines;
        bool errorCheck;
        MacroResult result;
        QString message;
    } cases[] = {
        {{"volt 1", "volt 9999", "volt 2"}, true, MacroResult::Failed,
         "Macro Runtime Error at entry #2\r\n-222,\"Data out of range\""},
        {{"volt 9999", "volt 2"}, false, MacroResult::Completed, "Execution completed."},
        {{"volt 9999", "#STOP ON ERROR", "volt 2"}, false, MacroResult::Failed,
         "-222,\"Data out of range\""},
        {{"volt 1", "#Pause 3", "volt 2"}, false, MacroResult::Failed,
         "Macro Runtime Error at entry #2\r\n#Pause 3"},
        {{"#DELAY", "volt 2"}, false, MacroResult::Failed, "Macro Runtime Error at entry #1\r\n#DELAY"},
        {{"volt 1", "#HALT", "volt 2"}, false, MacroResult::Halted, "Execution halted at entry #2."},
    };
    for (const auto& c : cases) {
        program().link.CheckError();
        prompt().clear();
        const qsizetype mark = received().size();
        MacroOptions options;
        options.errorCheck = c.errorCheck;
        const MacroOutcome o = play(c.lines, options);
        EXPECT_EQ(o.result, c.result) << c.lines.join(u'|').toStdString();
        EXPECT_EQ(o.message, c.message) << c.lines.join(u'|').toStdString();
        const bool stopped = c.result == MacroResult::Failed || c.result == MacroResult::Halted;
        EXPECT_EQ(sentSince(mark).contains(QStringLiteral("volt 2")), !stopped)
            << c.lines.join(u'|').toStdString();
        if (c.result == MacroResult::Failed) {
            EXPECT_EQ(prompt().messages(), QStringList{c.message});
        }
    }
}

TEST_P(MacroRunTest, InputSendsTheTypedValueAndSaveAppendsEachReply) {
    prompt().clear();
    prompt().type(QStringLiteral("33"));
    prompt().type(std::nullopt);
    const QStringList lines{"#INPUT(Output voltage?, volt)", "#SAVE(volt?, Volts.txt)",
                            "#SAVE(curr?, Volts.txt)", "#INPUT(Again?, volt)", "volt 5"};
    const MacroOutcome o = play(lines);
    EXPECT_EQ(o.result, MacroResult::Aborted) << "a cancelled input stops the play";
    const QStringList sent = sentSince(0);
    EXPECT_TRUE(sent.contains(QStringLiteral("volt 33")));
    EXPECT_FALSE(sent.contains(QStringLiteral("volt 5")));
    const auto input = std::find_if(prompt().calls().begin(), prompt().calls().end(),
                                    [](const PromptCall& c) { return c.kind == PromptCall::TextInput; });
    ASSERT_NE(input, prompt().calls().end());
    const PromptCall& asked = *input;
    EXPECT_EQ(asked.kind, PromptCall::TextInput);
    EXPECT_EQ(asked.title, QStringLiteral("Parameter Input"));
    EXPECT_EQ(asked.text, QStringLiteral("Output voltage?"));
    QFile saved(tempPath(QStringLiteral("Volts.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("33.0\r\n6.5\r\n"));
}

TEST_P(MacroRunTest, SaveBesideAShippedMacroAppendsToThePerUserCopy) {
    program().paths.dataDir = tempPath(QStringLiteral("shipped"));
    const QString folder = program().paths.shippedFile(QStringLiteral("examples"));
    QDir().mkpath(folder);
    ProgramIo io(program());
    MacroRun run(program(), io, {"volt 12", "#SAVE(volt?, Volts.txt)"}, folder, {});
    const MacroOutcome o = run.run();
    ASSERT_EQ(o.result, MacroResult::Completed) << o.message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Volts.txt")));
    QFile saved(program().paths.userFile(QStringLiteral("examples/Volts.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("12.0\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Lan, MacroRunTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
