#include "app/CommandLine.h"
#include "app/Oem.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

TEST(CommandLine, SetupFileAndOptionWord) {
    struct Case {
        const char* line;
        const char* file;
        const char* word;
        bool hasOption;
    };
    const Case cases[] = {
        {"/O MEAS_WAVE", "", "MEAS_WAVE", true},
        {"c:\\setups\\bench.stp /o  meas_harm", "C:\\SETUPS\\BENCH.STP", "MEAS_HARM", true},
        {"bench.stp", "BENCH.STP", "", false},
        {"", "", "", false},
        {"/O", "", "", true},
    };
    for (const Case& c : cases) {
        const SetupCommandLine r = ParseSetupCommandLine(QString::fromLatin1(c.line));
        EXPECT_EQ(r.setupFile, c.file) << c.line;
        EXPECT_EQ(r.optionWord, c.word) << c.line;
        EXPECT_EQ(r.hasOption, c.hasOption) << c.line;
    }
}

TEST(CommandLine, ProgramOptionsAreTakenOutOfTheSetupArgument) {
    const ProgramOptions o = ParseProgramOptions(
        {"ostrel", "--virtual-source", "--model", "4", "--settings", "/tmp/a.ini", "x.stp", "/O", "MEAS_WAVE"});
    EXPECT_TRUE(o.virtualSource);
    EXPECT_EQ(o.virtualModel, 4);
    EXPECT_EQ(o.settingsFile, "/tmp/a.ini");
    EXPECT_EQ(o.setupArgument, "x.stp /O MEAS_WAVE");
    EXPECT_TRUE(o.error.isEmpty());
    EXPECT_FALSE(o.help);
    EXPECT_TRUE(ParseProgramOptions({"ostrel", "x.stp", "--help"}).help);
    EXPECT_FALSE(ParseProgramOptions({"ostrel", "--model", "13"}).error.isEmpty());
    EXPECT_FALSE(ParseProgramOptions({"ostrel", "--settings"}).error.isEmpty());
}

TEST(Oem, BrandDecidesTitleLogoAndHelp) {
    QTemporaryDir dir;
    const QString path = dir.filePath("OEMInfo.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[OEM_Info]\nManufacturer=  Acme Test Labs  \n");
    }
    const QString acme = ReadOemManufacturer(path);
    EXPECT_EQ(acme, "Acme Test Labs");
    EXPECT_EQ(MessageTitleFor(acme, "Ostrel"), "Ostrel");
    EXPECT_EQ(LogoFor(acme), "KVlogo");
    EXPECT_EQ(HelpBrandFor(acme), "");
    EXPECT_EQ(ReadOemManufacturer(dir.filePath("missing.ini")), "");

    EXPECT_EQ(LogoFor("Brolan Corporation  "), "BRlogo");
    EXPECT_NE(MessageTitleFor("Brolan Corporation", "Ostrel"), "Ostrel");
    EXPECT_EQ(LogoFor("Wendrik AG"), "WendrikLogo");
    EXPECT_NE(MessageTitleFor("Wendrik Labs", "Ostrel"), "Ostrel");
    EXPECT_EQ(LogoFor("Wendrik Labs"), "KVlogo"); // the logo needs the exact name
    EXPECT_EQ(HelpBrandFor("Korvath Instruments"), "korvath");
}
