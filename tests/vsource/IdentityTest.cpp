// Identification and configuration readout for every model of the table.
#include "VsourceFixture.h"

#include "link/ModelTable.h"

namespace ostrel::test {
namespace {

class VsourceIdentityTest : public VsourceTest,
                            public ::testing::WithParamInterface<std::tuple<int, Transport>> {};

TEST_P(VsourceIdentityTest, AnswersAsTheModelOfTheTable) {
    const ModelRow& row = kModelTable[size_t(std::get<0>(GetParam()))];
    startSource({QStringLiteral("--model"), QString::number(row.index)}, std::get<1>(GetParam()));

    EXPECT_EQ(query("*IDN?"), QStringLiteral("KORVATH INSTRUMENTS,%1,KV00001,REV 2.34")
                                  .arg(QLatin1String(row.idnModel.data(), row.idnModel.size())));

    // The readout takes the model name from the last characters of "syst:conf?".
    EXPECT_TRUE(query("syst:conf?")
                    .endsWith(QLatin1String(",") +
                              QLatin1String(row.displayName.data(), row.displayName.size())));
    EXPECT_EQ(query("lim:phase?"), row.phases == 3 ? QStringLiteral("120") : QStringLiteral("0"));
    EXPECT_EQ(query("syst:conf:nout?"),
              row.modeSwitchable ? QStringLiteral("+3") : QStringLiteral("FIX"));

    QStringList options = query("*opt?").split(QLatin1Char(','));
    ASSERT_EQ(options.size(), 21);
    EXPECT_EQ(options[1], row.modeSwitchable ? QStringLiteral("1") : QStringLiteral("0"));
    EXPECT_EQ(options[2], row.vkFamily ? QStringLiteral("1") : QStringLiteral("0"));

    // Three-phase models take a selection of phase 3; single-phase ones refuse it.
    send("inst:coup none;:inst:nsel 3");
    EXPECT_EQ(nextError(), row.phases == 3 ? QStringLiteral("0,\"No error\"")
                                           : QStringLiteral("-222,\"Data out of range\""));
}

INSTANTIATE_TEST_SUITE_P(AllModels, VsourceIdentityTest,
                         ::testing::Combine(::testing::Range(0, int(kModelTable.size())),
                                            ::testing::Values(Transport::Tcp, Transport::Pty)),
                         [](const auto& info) {
                             return "Model" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == Transport::Tcp ? "Tcp" : "Pty");
                         });

TEST_F(VsourceTest, IdentityFieldsComeFromTheCommandLine) {
    startSource({QStringLiteral("--serial"), QStringLiteral("SN-42"), QStringLiteral("--firmware"),
                 QStringLiteral(" X234"), QStringLiteral("--options"), QStringLiteral("1,0,1")});
    EXPECT_EQ(query("*IDN?"), QStringLiteral("KORVATH INSTRUMENTS,VK 751,SN-42, X234"));
    EXPECT_EQ(query("*OPT?"), QStringLiteral("1,0,1"));
}

TEST_F(VsourceTest, ConfigurationQueriesFollowModeAndRange) {
    startSource({QStringLiteral("--model"), QStringLiteral("1")});
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"freq? max", "1000.0"},
        {"freq? min", "16.0"},
        {"lim:freq:high?", "1000.0"},
        {"lim:freq:low?", "16.0"},
        {"lim:volt:high?", "300.0"},
        {"lim:volt:low?", "150.0"},
        {"lim:curr?", "10.0"},
        {"inst:nsel 1;:curr? max", "13.0"},
        {"volt:range?", "150.0"},
        {"volt? max", "150.0"},
        {"outp:ttlt:mode?", "TRIG"},
        {"syst:vers?", "1991.0"},
        {"pons:relay:hold?", "100"},
        {"source:mode?", "AC"},
        {"source:mode dc;:lim:volt:high?", "400.0"},
        {"volt? max", "200.0"},
        {"volt? min", "-200.0"},
        {"volt:rang 400;:volt? max", "400.0"},
        {"curr? max", "6.5"},
        {"sens:swe:tint? min", "0.0000025"},
        {"sens:swe:tint 0.0000074;:sens:swe:tint?", "0.0000075"},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(query(line), expected) << line.toStdString();
    EXPECT_TRUE(drainErrors().isEmpty());
}

} // namespace
} // namespace ostrel::test
