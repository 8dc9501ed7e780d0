// The command language: forms, compounds, the path rule, parameters, errors.
#include "VsourceFixture.h"

#include <cmath>

namespace ostrel::test {
namespace {

class VsourceGrammarTest : public BothTransports {
protected:
    void SetUp() override { startSource({QStringLiteral("--model"), QStringLiteral("4")}); }
};

TEST_P(VsourceGrammarTest, CompoundSettingFollowedByItsQuery) {
    EXPECT_EQ(query("inst:coup none;:inst:nsel 2;:volt:ac 115.5;:volt:ac?"),
              QStringLiteral("115.5"));
    EXPECT_EQ(query("inst:nsel 1;:volt:ac?"), QStringLiteral("0.0"));
    EXPECT_EQ(query("inst:coup all;:volt 20;:inst:nsel 3;:volt?;:inst:nsel 2;:volt?"),
              QStringLiteral("20.0;20.0"));
    EXPECT_TRUE(drainErrors().isEmpty());
}

TEST_P(VsourceGrammarTest, LongShortAndMixedFormsReachTheSameSetting) {
    struct Case {
        QByteArray set;
        QByteArray get;
        QString reply;
    };
    const std::vector<Case> cases = {
        {"SOURce:VOLTage:LEVel:IMMediate:AMPLitude 12.5", "volt?", "12.5"},
        {":sour:volt:ac 13", "VOLTAGE:AC?", "13.0"},
        {"Source:Frequency 400", "sour:freq:imm?", "400.0"},
        {"OUTPut:STATe ON", "outp?", "1"},
        {"CURR:PROT:STAT ON", "curr:protection:state?", "1"},
        {"list:dwel 0.5", "LIST:DWELL?", "0.5"},
        {"trig:tran:source bus", "trigger:source?", "BUS"},
        {"init:cont:seq1 1", "INIT:CONT?", "1"},
        {"trig:sync:sour phase", "TRIG:SYNC:SOUR?", "PHAS"},
        {"*cls", "SYSTEM:ERROR:NEXT?", "0,\"No error\""},
    };
    for (const Case& c : cases) {
        send(c.set);
        EXPECT_EQ(query(c.get), c.reply) << c.set.toStdString();
    }
    EXPECT_TRUE(drainErrors().isEmpty());
}

TEST_P(VsourceGrammarTest, UnitsWithoutColonContinueAtThePreviousNode) {
    send("sour:volt 10;curr 2.5");
    send("list:volt 1,2;volt:slew max");
    send("inst:coup none;nsel 3");
    EXPECT_EQ(query("curr?"), QStringLiteral("2.5"));
    EXPECT_EQ(query("list:volt:slew?"), QStringLiteral("9.90000E+37"));
    // An empty list still answers, with an empty line.
    EXPECT_EQ(query("list:freq?"), QString());
    EXPECT_EQ(query("inst:nsel?"), QStringLiteral("3"));
    // A common command in between keeps the path.
    send("list:rep 1;*cls;ttlt 1");
    EXPECT_EQ(query("list:ttlt?"), QStringLiteral("1"));
    EXPECT_TRUE(drainErrors().isEmpty());
}

TEST_P(VsourceGrammarTest, ToleratesWhatClientsSend) {
    const std::vector<QByteArray> lines = {
        "volt 5 ",                         // GPIB appends a blank
        "abort;:inst:coup all;:volt 6.0;", // trailing ';'
        ";;volt 7",                        // empty units
        "\tvolt\t8\r",                     // tabs and CR LF
        "VOLT +0.9E+01",                   // sign and exponent
    };
    for (const QByteArray& line : lines)
        send(line);
    EXPECT_EQ(query("volt? "), QStringLiteral("9.0"));
    EXPECT_EQ(query("volt? max"), QStringLiteral("150.0"));
    send("curr min");
    EXPECT_EQ(query("curr?"), QStringLiteral("0.0"));
    send("curr def");
    EXPECT_EQ(query("curr?"), QStringLiteral("6.5"));
    send("volt:slew inf;:freq:slew MAX");
    EXPECT_EQ(query("volt:slew?;:freq:slew?"), QStringLiteral("9.90000E+37;9.90000E+37"));
    EXPECT_TRUE(drainErrors().isEmpty());
}

TEST_P(VsourceGrammarTest, ValueOutOfRangeIsRefusedAndKeepsTheOldValue) {
    send("volt 100;:freq 400;:curr 2;:phas 30;:list:dwell 1");
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {"volt 150.1", "volt?"}, {"freq 15", "freq?"},
        {"freq 1001", "freq?"},  {"curr 7", "curr?"},
        {"phas 361", "phas?"},   {"list:dwell 1,0", "list:dwell?"},
        {"volt -1", "volt?"},    {"curr:prot:del 99", "curr:prot:del?"},
    };
    for (const auto& [set, get] : cases) {
        QString before = query(get);
        send(set);
        EXPECT_EQ(nextError(), QStringLiteral("-222,\"Data out of range\"")) << set.toStdString();
        EXPECT_EQ(query(get), before) << set.toStdString();
    }
}

TEST_P(VsourceGrammarTest, UndefinedHeaderIsMinus113AndEndsTheLine) {
    send("volt 10;:volt:bogus 3;:volt 20");
    EXPECT_EQ(nextError(), QStringLiteral("-113,\"Undefined header\""));
    EXPECT_EQ(query("volt?"), QStringLiteral("10.0"));
    const std::vector<QByteArray> undefined = {"voltage:acc 5", "volta 5", "*idn", "syst:err",
                                               "outp3 1"};
    for (const QByteArray& line : undefined) {
        send(line);
        EXPECT_EQ(nextError(), QStringLiteral("-113,\"Undefined header\"")) << line.toStdString();
    }
}

TEST_P(VsourceGrammarTest, ParameterErrorsHaveTheirOwnCodes) {
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"volt", "-109,\"Missing parameter\""},
        {"volt abc", "-104,\"Data type error\""},
        {"volt 1,2", "-108,\"Parameter not allowed\""},
        {"sour:mode xyz", "-224,\"Illegal parameter value\""},
        {"func nosuchwave", "-224,\"Illegal parameter value\""},
        {"volt;", "-109,\"Missing parameter\""},
    };
    for (const auto& [line, error] : cases) {
        send(line);
        EXPECT_EQ(nextError(), error) << line.toStdString();
    }
}

TEST_P(VsourceGrammarTest, ErrorQueueIsFirstInFirstOutAndBounded) {
    send("volt 999");
    send("bogus");
    send("func nosuch");
    EXPECT_EQ(query("syst:err:coun?"), QStringLiteral("3"));
    EXPECT_EQ(drainErrors(), (QStringList{QStringLiteral("-222,\"Data out of range\""),
                                          QStringLiteral("-113,\"Undefined header\""),
                                          QStringLiteral("-224,\"Illegal parameter value\"")}));
    EXPECT_EQ(nextError(), QStringLiteral("0,\"No error\""));

    for (int i = 0; i < 40; ++i)
        send("bogus");
    QStringList errors = drainErrors();
    ASSERT_EQ(errors.size(), 30);
    EXPECT_EQ(errors.front(), QStringLiteral("-113,\"Undefined header\""));
    EXPECT_EQ(errors.back(), QStringLiteral("-350,\"Queue overflow\""));

    send("bogus;*cls");
    send("bogus");
    send("*cls");
    EXPECT_EQ(nextError(), QStringLiteral("0,\"No error\""));
}

TEST_P(VsourceGrammarTest, AcceptsLinesOfSixtyFourKilobytes) {
    QByteArray line = "volt 42" + QByteArray(64 * 1024, ' ') + ";:curr 1.5";
    send(line);
    QByteArray data = "trac:def LONG;:trac:data LONG";
    for (int i = 0; i < 1024; ++i)
        data += "," + QByteArray::number(std::sin(i * 6.283185307179586 / 1024), 'f', 12);
    ASSERT_GT(data.size(), 8 * 1024);
    send(data);
    EXPECT_EQ(query("volt?;curr?"), QStringLiteral("42.0;1.5"));
    EXPECT_EQ(query("trac:cat?"), QStringLiteral("\"SINUSOID\",\"SQUARE\",\"CSINUSOID\",\"LONG\""));
    EXPECT_TRUE(drainErrors().isEmpty());
}

TEST_P(VsourceGrammarTest, AnswersOperationCompleteAndTheStatusQueriesAtOnce) {
    EXPECT_EQ(query("*OPC?"), QStringLiteral("+1"));
    EXPECT_EQ(query("*TST?"), QStringLiteral("0"));
    send("bogus");
    EXPECT_EQ(query("*ESR?"), QStringLiteral("32"));
    EXPECT_EQ(query("*ESR?"), QStringLiteral("0"));
}

OSTREL_BOTH_TRANSPORTS(VsourceGrammarTest);

} // namespace
} // namespace ostrel::test
