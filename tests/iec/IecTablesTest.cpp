// The test file's clamps and companion, and the run plan's lines and time.
#include "iec/IecPlan.h"
#include "iec/IecTestFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <tuple>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class IecFiles : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    IecTestFile load(const QByteArray& body, const IecLoadContext& context = {}) {
        IecTestFile file;
        const IecLoad r = LoadIecTestFile(write(QStringLiteral("t.411"), body), file, context);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return file;
    }
    QTemporaryDir dir;
};

IecTestFile Dips(double volts, double hertz, std::vector<IecDip> dips) {
    IecTestFile f;
    f.voltage = volts;
    f.frequency = hertz;
    f.dips = std::move(dips);
    return f;
}

} // namespace

TEST_F(IecFiles, LoadClampsEveryValueToItsLimits) {
    const IecTestFile f =
        load("[IEC-1000-4-11]\nSeqRepeat=70\nMeasUpdateRate=50\nSeqNumberDips=2\n"
             "0TestLevel=250\n0StartPhase=-400\n1TestLevel=-5\n1GapDelay=99\n"
             "0VarLevel=150\nHoldTimeVar=0\nFallTimeVar=nan\n[Pretest]\nDelay=-4\n");
    EXPECT_EQ(f.seqRepeat, 60);
    EXPECT_EQ(f.seqDuration, 1); // Int(60 / 60)
    EXPECT_EQ(f.measUpdateRate, 100);
    ASSERT_EQ(f.dips.size(), 2u);
    EXPECT_EQ(f.dips[0].level, 200);
    EXPECT_EQ(f.dips[0].startPhase, -360);
    EXPECT_EQ(f.dips[1].level, 0);
    EXPECT_EQ(f.dips[1].delay, 60);
    EXPECT_EQ(f.variations[0].level, 100);
    EXPECT_EQ(f.holdTime, 1);
    EXPECT_EQ(f.fallTime, 2); // "nan" is no number: the default
    EXPECT_EQ(f.preTestDelay, 0);
    EXPECT_EQ(load("[IEC-1000-4-11]\nSeqRepeat=5\nSeqDuration=20\n").seqDuration, 12);
    EXPECT_EQ(load("[IEC-1000-4-11]\nSeqNumberDips=250\n").dips.size(), 100u);
}

TEST_F(IecFiles, NominalValues) {
    const IecLoadContext steady{16, 500, 115, 400};
    struct Case {
        const char* nominal;
        double volts, hertz;
        bool unreadable;
    } cases[] = {
        {"", 230, 50, false}, // missing Volt_RMS: 230 V
        {"[Nominal]\nVolt_RMS=-1\nFrequency=60\n", 230, 60, false},
        {"[Nominal]\nVolt_RMS=120\nFrequency=60\n", 120, 60, false},
        {"[Nominal]\nVolt_RMS=0\nFrequency=50\n", 115, 400, true},
        {"[Nominal]\nVolt_RMS=abc\nFrequency=50\n", 115, 400, true},
        {"[Nominal]\nVolt_RMS=230\nFrequency=0\n", 115, 400, true},
        {"[Nominal]\nVolt_RMS=230\nFrequency=900\n", 115, 400, true}, // above the model's limit
    };
    for (const Case& c : cases) {
        const IecTestFile f = load(QByteArray("[IEC-1000-4-11]\n") + c.nominal, steady);
        EXPECT_EQ(f.voltage, c.volts) << c.nominal;
        EXPECT_EQ(f.frequency, c.hertz) << c.nominal;
        EXPECT_EQ(f.nominalUnreadable, c.unreadable) << c.nominal;
    }
}

TEST_F(IecFiles, DamagedFilesAreRefusedNamingTheLineOrLoadDefaults) {
    IecTestFile f;
    const IecLoad binary = LoadIecTestFile(
        write(QStringLiteral("bin.411"), QByteArray("[IEC-1000-4-11]\nSeqRepeat=3\nx\0y", 31)), f);
    EXPECT_FALSE(binary.ok);
    EXPECT_EQ(binary.error, QStringLiteral("bin.411: line 3: not a text file."));
    const IecTestFile empty = load("; nothing here\n");
    EXPECT_EQ(empty.seqRepeat, 3);
    EXPECT_EQ(empty.dips.size(), 1u);
    EXPECT_EQ(empty.voltage, 230);
    EXPECT_EQ(load("[IEC-1000-4-11]\nSeqRepeat=1e300\n0CycleTime=-3\n").seqRepeat, 60);
}

TEST_F(IecFiles, CompanionRoundTripAndItsName) {
    EXPECT_EQ(IecUserCompanionPath(QStringLiteral("/a/t.411")), QStringLiteral("/a/t.411_User"));
    EXPECT_EQ(IecUserCompanionPath(QStringLiteral("/a/t.txt")),
              QStringLiteral("/a/t.txt.411_User"));
    EXPECT_EQ(IecUserCompanionPath(QStringLiteral("/a/t.411_User")),
              QStringLiteral("/a/t.411_User.411_User"));

    IecTestFile f = Dips(120, 60, {{0.5, -90, 0, -1}, {30, 45, 70, 5}});
    f.seqRepeat = 2;
    f.user = {QStringLiteral("Ann"), QStringLiteral("Lab 2"), QStringLiteral("PSU 12"),
              QStringLiteral("first")};
    f.variations[1].level = -1;
    const QString path = dir.filePath(QStringLiteral("r.411"));
    QString error;
    ASSERT_TRUE(SaveIecTestFile(path, f, error)) << error.toStdString();
    ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("r.411_User"))));
    IecTestFile back;
    ASSERT_TRUE(LoadIecTestFile(path, back).ok);
    EXPECT_EQ(back.voltage, 120);
    EXPECT_EQ(back.frequency, 60);
    EXPECT_EQ(back.seqRepeat, 2);
    ASSERT_EQ(back.dips.size(), 2u);
    EXPECT_EQ(back.dips[0].cycles, 0.5);
    EXPECT_EQ(back.dips[0].startPhase, -90);
    EXPECT_EQ(back.dips[0].delay, -1);
    EXPECT_EQ(back.dips[1].level, 70);
    EXPECT_EQ(back.variations[1].level, -1);
    EXPECT_EQ(back.user.testedBy, QStringLiteral("Ann"));
    EXPECT_EQ(back.user.eut, QStringLiteral("PSU 12"));

    // The companion's readable values win; an unreadable one does not.
    QFile c(dir.filePath(QStringLiteral("r.411_User")));
    ASSERT_TRUE(c.open(QIODevice::WriteOnly | QIODevice::Truncate));
    c.write("[UserData]\nTestedBy=Bob\n[Nominal]\nVoltage=100\nFrequency=abc\n");
    c.close();
    ASSERT_TRUE(LoadIecTestFile(path, back).ok);
    EXPECT_EQ(back.user.testedBy, QStringLiteral("Bob"));
    EXPECT_EQ(back.user.location, QStringLiteral("Lab 2"));
    EXPECT_EQ(back.voltage, 100);
    EXPECT_EQ(back.frequency, 60);
}

TEST(IecPlan, DipLinesAt230V50HzAnd120V60Hz) {
    struct Case {
        double volts, hertz;
        IecDip dip;
        const char* list;
        const char* sync;
    } cases[] = {
        {230,
         50,
         {0.5, 0, 0, 1},
         ":list:dwell 0.010,10.010;:list:volt 0.00,230.00;:list:volt:slew max;:list:rep 0",
         ":trig:sync:phas 0.0;:trig:sync:sour phas"},
        {230,
         50,
         {1, 90, 0, 1},
         ":list:dwell 0.020,10.000;:list:volt 0.00,230.00;:list:volt:slew max;:list:rep 0",
         ":trig:sync:phas 90.0;:trig:sync:sour phas"},
        {230,
         50,
         {10, -90, 40, 1},
         ":list:dwell 0.200,10.000;:list:volt 92.00,230.00;:list:volt:slew max;:list:rep 0",
         ":trig:sync:phas 270.0;:trig:sync:sour phas"},
        {120,
         60,
         {0.5, 360, 0, 1},
         ":list:dwell 0.008333,10.008334;:list:volt 0.00,120.00;:list:volt:slew max;:list:rep 0",
         ":trig:sync:phas 0.0;:trig:sync:sour phas"},
        {120,
         60,
         {1, 45, 70, 1},
         ":list:dwell 0.016667,10.000;:list:volt 84.00,120.00;:list:volt:slew max;:list:rep 0",
         ":trig:sync:phas 45.0;:trig:sync:sour phas"},
    };
    for (const Case& c : cases) {
        const IecPlan p = PlanIecTest(Dips(c.volts, c.hertz, {c.dip}), {});
        ASSERT_EQ(p.steps.size(), 1u);
        EXPECT_EQ(p.steps[0].program,
                  QStringList({QString::fromLatin1(c.list), QString::fromLatin1(c.sync)}));
        EXPECT_EQ(p.steps[0].start,
                  QStringList{QStringLiteral(":init:cont:name tran,0;:init:name tran")});
        EXPECT_EQ(p.steps[0].repetitions, 3);
    }
}

TEST(IecPlan, InitialisationForOneAndThreePhasesWithAndWithoutAdvanced) {
    IecTestFile f = Dips(230, 50, {{}});
    const QString one = QStringLiteral("abort;:inst:coup none;:volt 230.00;");
    const QString three = QStringLiteral("abort;:inst:coup all;:volt 230.00;");
    const QString modes =
        QStringLiteral(":trig:tran:source imm;:list:step auto;:list:coun 3;:freq:mode fix;"
                       ":freq:slew:mode fix;%1:volt:mode list;:volt:slew:mode list");
    struct Case {
        bool threePhase, advanced;
        QString first, third;
    } cases[] = {
        {false, false, one, modes.arg(QString())},
        {true, false, three, modes.arg(QString())},
        {true, true, three, modes.arg(QStringLiteral(":func:mode fix;"))},
    };
    for (const Case& c : cases) {
        IecPlanOptions o;
        o.threePhase = c.threePhase;
        o.advanced = c.advanced;
        o.outputs = c.threePhase ? 3 : 1;
        const IecPlan p = PlanIecTest(f, o);
        EXPECT_EQ(p.init, QStringList({c.first, QStringLiteral("freq 50.0"), c.third}));
        EXPECT_EQ(p.closeRelay.size(), qsizetype(o.outputs));
        EXPECT_EQ(p.end, QStringList({QStringLiteral("abort;:volt:mode fix;:volt:slew:mode fix"),
                                      QStringLiteral("volt 230.00")}));
    }
}

TEST(IecPlan, VariationPointsAndBlankPhase) {
    IecTestFile f = Dips(230, 50, {{}});
    f.fallTime = 0;
    f.holdTime = 1;
    f.riseTime = 25;
    f.variations = {{70, 1}, {-1, 1}};
    IecPlanOptions o;
    o.table = IecTable::Variations;
    IecPlan p = PlanIecTest(f, o);
    ASSERT_EQ(p.steps.size(), 1u); // -1 is an unused row
    // ΔU = 69 V over 25 cycles (0.5 s): 138 V/s; 26 cycles + 10 s is 526 cycles.
    EXPECT_EQ(p.steps[0].program.first(),
              QStringLiteral(":list:dwell 0.020,0.500,10.000;:list:volt 161.00,230.00,230.00;"
                             ":list:volt:slew max,138.000,max;:list:rep 0"));
    EXPECT_EQ(p.steps[0].phase, QStringLiteral("0.0"));

    f.fallTime = 2;
    f.frequency = 60;
    f.voltage = 120;
    f.riseTime = 30;
    p = PlanIecTest(f, o);
    EXPECT_EQ(p.steps[0].program.first(),
              QStringLiteral(
                  ":list:dwell 0.033333,0.016667,0.500,10.000;:list:volt 84.00,84.00,120.00,120.00;"
                  ":list:volt:slew 1080.000,max,72.000,max;:list:rep 0"));
}

TEST(IecPlan, InrushLinesAndCapability) {
    IecTestFile f = Dips(230, 50, {{}});
    const IecInrushPlan p = PlanIecInrush(f, 270);
    EXPECT_EQ(p.attempt,
              QStringList({QStringLiteral("meas:curr:ampl:res"),
                           QStringLiteral(":list:dwell 1.000;:list:volt 230.00;:list:volt:slew max;"
                                          ":list:rep 0;:list:ttlt 1;:list:coun 1"),
                           QStringLiteral(":trig:sync:phas 270.0;:trig:sync:sour phas"),
                           QStringLiteral(":volt:mode list"), QStringLiteral("trig:acq:sour ttlt"),
                           QStringLiteral(":outp:ttlt on;:outp:ttlt:sour list"),
                           QStringLiteral("init:name acq"), QStringLiteral("init:name tran")}));
    EXPECT_EQ(p.finish.first(), QStringLiteral("outp:ttlt:sour eot;:outp:ttlt 0"));
    EXPECT_EQ(p.finish.last(), QStringLiteral(":list:coun 3;:volt:mode list"));
    // 3 × √2 × 10 A = 42.43 A; 32 A × 1.3 = 41.6 A is within, 33 A × 1.3 is not.
    EXPECT_EQ(IecInrushText(32, 10), QStringLiteral("Peak inrush current is OK, 32.000 Amps"));
    EXPECT_EQ(IecInrushText(33, 10),
              QStringLiteral("Peak inrush current is TOO HIGH, 33.000 Amps"));
}

TEST(IecPlan, TestTimeCountsRowsDelaysAndThePreTest) {
    IecTestFile f = Dips(230, 50, {{1, 0, 0, -1}, {0.5, 0, 0, 4}});
    f.userPrompt = QStringLiteral("Delay between sequences");
    f.interSeqDelay = 7;
    // 1 s settle + 3 × 10.02 + 7 + 3 × 10.02 + 4
    EXPECT_NEAR(PlanIecTest(f, {}).seconds, 1 + 30.06 + 7 + 30.06 + 4, 1e-9);
    EXPECT_EQ(IecTestTimeText(PlanIecTest(f, {}).seconds), QStringLiteral("00:01:12"));
    f.includePeak = true;
    f.preTestDelay = 30;
    // + 30 s delay + 2 × (5 s at 0 V + 1 s at Unom) + the minute between.
    EXPECT_NEAR(PlanIecTest(f, {}).seconds, 1 + 30 + 72 + 30.06 + 7 + 30.06 + 4, 1e-9);
    EXPECT_EQ(IecTestTimeText(3725), QStringLiteral("01:02:05"));
}

// Each shipped file against the table it names in its header.
TEST(IecShippedFiles, EachFileHoldsItsTable) {
    struct Row {
        int level;
        double cycles;
    };
    struct Case {
        const char* name;
        double volts, hertz;
        std::vector<Row> dips;
    } cases[] = {
        {"IEC61000-4-11_Class2_50Hz.411", 230, 50, {{0, 0.5}, {0, 1}, {70, 25}, {0, 250}}},
        {"IEC61000-4-11_Class2_60Hz.411", 120, 60, {{0, 0.5}, {0, 1}, {70, 30}, {0, 300}}},
        {"IEC61000-4-11_Class3_50Hz.411",
         230,
         50,
         {{0, 0.5}, {0, 1}, {40, 10}, {70, 25}, {80, 250}, {0, 250}}},
        {"IEC61000-4-11_Class3_60Hz.411",
         120,
         60,
         {{0, 0.5}, {0, 1}, {40, 12}, {70, 30}, {80, 300}, {0, 300}}},
    };
    const QString folder = QStringLiteral(OSTREL_SOURCE_DATA_DIR) + QStringLiteral("/Seq_Test/");
    const auto common = [](const IecTestFile& f) {
        EXPECT_EQ(f.seqRepeat, 3);
        EXPECT_EQ(f.seqDuration, 10);
        EXPECT_EQ(f.interSeqDelay, 10);
        EXPECT_EQ(f.measUpdateRate, 200);
        EXPECT_FALSE(f.includePeak);
        EXPECT_FALSE(f.pauses());
        EXPECT_FALSE(f.nominalUnreadable);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile text(folder + QString::fromLatin1(c.name));
        ASSERT_TRUE(text.open(QIODevice::ReadOnly));
        const QByteArray head = text.readAll();
        EXPECT_TRUE(head.startsWith(";"));
        EXPECT_TRUE(head.contains("Ed. 2.0 (2004) and Ed. 3.0 (2020)"));
        EXPECT_TRUE(head.contains("verify against your copy of the standard and the product "
                                  "standard, which may override it"));
        IecTestFile f;
        ASSERT_TRUE(LoadIecTestFile(text.fileName(), f).ok);
        common(f);
        EXPECT_EQ(f.voltage, c.volts);
        EXPECT_EQ(f.frequency, c.hertz);
        ASSERT_EQ(f.dips.size(), c.dips.size());
        for (size_t i = 0; i < c.dips.size(); ++i) {
            EXPECT_EQ(f.dips[i].level, c.dips[i].level) << i;
            EXPECT_EQ(f.dips[i].cycles, c.dips[i].cycles) << i;
            EXPECT_EQ(f.dips[i].startPhase, 0) << i;
            EXPECT_EQ(f.dips[i].delay, -1) << i;
        }
    }
    for (const auto& [name, volts, rise] :
         {std::tuple{"IEC61000-4-11_Variation_50Hz.411", 230.0, 25.0},
          std::tuple{"IEC61000-4-11_Variation_60Hz.411", 120.0, 30.0}}) {
        SCOPED_TRACE(name);
        IecTestFile f;
        ASSERT_TRUE(LoadIecTestFile(folder + QString::fromLatin1(name), f).ok);
        common(f);
        EXPECT_EQ(f.voltage, volts);
        EXPECT_EQ(f.variations[0].level, 70);
        EXPECT_EQ(f.variations[1].level, -1);
        EXPECT_EQ(f.fallTime, 0);
        EXPECT_EQ(f.holdTime, 1);
        EXPECT_EQ(f.riseTime, rise);
    }
    IecTestFile angles;
    ASSERT_TRUE(
        LoadIecTestFile(folder + QStringLiteral("IEC61000-4-11_Class3_50Hz_Angles.411"), angles)
            .ok);
    ASSERT_EQ(angles.dips.size(), 40u);
    for (size_t i = 0; i < 40; ++i)
        EXPECT_EQ(angles.dips[i].startPhase, 45.0 * double(i % 8)) << i;
    EXPECT_EQ(angles.dips[16].level, 40);
}
