// Setup registers and waveform registers.
#include "VsourceFixture.h"

namespace ostrel::test {
namespace {

class VsourceRegistersTest : public BothTransports {};

TEST_P(VsourceRegistersTest, SaveAndRecallRestoreTheSteadyState) {
    startSource({QStringLiteral("--model"), QStringLiteral("4")});
    send("sour:mode acdc;:freq 400;:inst:coup none;:inst:nsel 2;:volt:ac 77;:volt:offs 5;:curr "
         "3;:phas 200");
    send("func squ;:outp 1;:volt:alc reg");
    send("*sav 7");
    send("*rst");
    EXPECT_EQ(query("sour:mode?;:freq?;:outp?"), QStringLiteral("AC;60.0;0"));
    send("*rcl 7");
    EXPECT_EQ(query("sour:mode?;:freq?;:outp?;:volt:alc?"), QStringLiteral("ACDC;400.0;1;2"));
    EXPECT_EQ(query("inst:nsel 2;:volt:ac?;:volt:offs?;:curr?;:phas?;:func?"),
              QStringLiteral("77.0;5.0;3.0;200.0;SQUARE"));
    EXPECT_EQ(query("inst:nsel 1;:volt:ac?;:phas?"), QStringLiteral("0.0;0.0"));
    EXPECT_TRUE(drainErrors().isEmpty());

    send("*rcl 3");
    QString error = nextError();
    EXPECT_TRUE(error.startsWith(QLatin1String("-221,"))) << error.toStdString();
    send("*sav 16");
    EXPECT_EQ(nextError(), QStringLiteral("-222,\"Data out of range\""));
}

TEST_F(VsourceTest, ResetGivesThePowerOnValues) {
    startSource({QStringLiteral("--model"), QStringLiteral("9")});
    send("sour:mode dc;:volt:rang 400;:curr:prot:stat on;:curr:prot:del 2;:volt:sens "
         "ext;:list:dwell 1,2;:volt:mode list");
    send("*rst");
    EXPECT_EQ(query("sour:mode?;:freq?;:volt:rang?;:outp?;:volt:alc?;:curr:prot:stat?;:curr:prot:"
                    "del?;:volt:sens?"),
              QStringLiteral("AC;60.0;150.0;0;0;0;0.1;INT"));
    EXPECT_EQ(query("freq:mode?;:volt:mode?;:volt:slew:mode?;:func:mode?;:list:dwell:poin?"),
              QStringLiteral("FIX;FIX;FIX;FIX;0"));
    // Model-10: current multiplier 2, phases at 0/240/120.
    EXPECT_EQ(query("inst:coup none;:inst:nsel 1;:curr?;:phas?;:volt?"),
              QStringLiteral("13.0;0.0;0.0"));
    EXPECT_EQ(query("inst:nsel 2;:phas?;:inst:nsel 3;:phas?"), QStringLiteral("240.0;120.0"));
}

TEST_P(VsourceRegistersTest, WaveformRegistersFillUpToMemoryFull) {
    startSource();
    QByteArrayList units;
    for (int i = 1; i <= 57; ++i)
        units << "trac:def W" + QByteArray::number(i);
    send(units.join(";:"));
    QString catalog = query("trac:cat?");
    EXPECT_TRUE(
        catalog.startsWith(QLatin1String("\"SINUSOID\",\"SQUARE\",\"CSINUSOID\",\"W1\",\"W2\",")));
    EXPECT_TRUE(catalog.endsWith(QLatin1String(",\"W57\"")));
    EXPECT_EQ(catalog.count(QLatin1Char(',')), 59);

    send("trac:def ONEMORE");
    EXPECT_EQ(nextError(), QStringLiteral("-254,\"Media full\""));
    send("trac:del w7");
    send("trac:def onemore");
    EXPECT_TRUE(drainErrors().isEmpty());
    EXPECT_TRUE(query("trac:cat?").endsWith(QLatin1String(",\"W57\",\"ONEMORE\"")));
    send("trac:del:all");
    EXPECT_EQ(query("trac:cat?"), QStringLiteral("\"SINUSOID\",\"SQUARE\",\"CSINUSOID\""));
}

TEST_F(VsourceTest, UserWaveformsCanBeLoadedUsedAndProtected) {
    startSource();
    QByteArray data = "trac:data RAMP";
    for (int i = 0; i < 1024; ++i)
        data += "," + QByteArray::number(-1.0 + 2.0 * i / 1024, 'f', 4);
    send("trac:def ramp");
    send(data);
    send("func ramp;:list:shap sin,ramp");
    EXPECT_EQ(query("func?;:list:shap?"), QStringLiteral("RAMP;SINUSOID,RAMP"));
    send("trac:del RAMP");
    EXPECT_EQ(nextError(), QStringLiteral("-221,\"Settings conflict\""));

    const std::vector<std::pair<QByteArray, QString>> refused = {
        {"trac:def 1ABC", "-224,\"Illegal parameter value\""},
        {"trac:def sinusoid", "-224,\"Illegal parameter value\""},
        {"trac:data NOSUCH,1,2", "-224,\"Illegal parameter value\""},
        {"trac:data RAMP,0.5,0.5", "-109,\"Missing parameter\""},
        {"trac:del NOSUCH", "-224,\"Illegal parameter value\""},
    };
    for (const auto& [line, error] : refused) {
        send(line);
        EXPECT_EQ(nextError(), error) << line.toStdString();
    }
}

TEST_F(VsourceTest, OlderProductLineHasNoWaveformRegisters) {
    startSource({QStringLiteral("--model"), QStringLiteral("10")});
    send("trac:def ABC");
    EXPECT_EQ(nextError(), QStringLiteral("-241,\"Hardware missing\""));
    EXPECT_EQ(query("trac:cat?"), QStringLiteral("\"SINUSOID\",\"SQUARE\",\"CSINUSOID\""));
}

// The control port shows what is programmed without the SCPI connection.
TEST_F(VsourceTest, ControlPortReportsSettingsAndWaveRegisters) {
    startSource({QStringLiteral("--model"), QStringLiteral("4")});
    send("freq 400;:inst:coup none;:inst:nsel 2;:volt:ac 77;:curr 3;:volt:mode list;:func:mode "
         "list;:freq:mode list;:outp 1");
    send("trac:def RIPA;:trac:def RIPB;:trac:del RIPA");
    ASSERT_EQ(query("syst:err?"), QStringLiteral("0,\"No error\""));
    QStringList lines;
    ASSERT_TRUE(source.control(QStringLiteral("settings?"), &lines));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("phase=2 mode=AC range=0 relay=1 vac=77.0 vdc=0.0 "
                                       "offset=0.0 curr=3.0 freq=400.0 wave=SINUSOID "
                                       "volt:mode=LIST volt:slew:mode=FIX freq:mode=LIST "
                                       "freq:slew:mode=FIX func:mode=LIST"));
    EXPECT_TRUE(lines[0].contains(QLatin1String(" volt:mode=FIX "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QLatin1String(" freq:mode=LIST "))) << lines[0].toStdString();
    ASSERT_TRUE(source.control(QStringLiteral("waves?"), &lines));
    EXPECT_EQ(lines, QStringList({QStringLiteral("RIPB"), QStringLiteral("free=56")}));
}

OSTREL_BOTH_TRANSPORTS(VsourceRegistersTest);

} // namespace
} // namespace ostrel::test
