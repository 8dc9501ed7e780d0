#include "transients/TransientCompile.h"
#include "transients/ListCommands.h"

#include <QMap>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// The lists as the source would take them: commands split at ";", and each
// phase's lists filed under the phase its last "inst:nsel" chose.
struct SentLists {
    QMap<QString, QString> common;
    QMap<int, QMap<QString, QString>> phase;
    QList<int> selected;

    explicit SentLists(const QStringList& lines) {
        int current = 0;
        for (const QString& line : lines)
            for (QString command : line.split(';')) {
                command = command.trimmed();
                if (command.startsWith(':')) command.remove(0, 1);
                const qsizetype blank = command.indexOf(' ');
                const QString header = command.left(blank);
                const QString values = blank < 0 ? QString() : command.mid(blank + 1);
                if (header == "inst:nsel") {
                    current = values.toInt();
                    selected.append(current);
                } else if (header == "list:volt" || header == "list:volt:slew" ||
                           header == "list:shap") {
                    phase[current][header] = values;
                } else {
                    common[header] = values;
                }
            }
    }
};

StepRow row(const char* type, const char* time, const char* volt = "", const char* freq = "",
            const char* repeat = "", const char* wave = "", const char* start = "") {
    return {type, time, volt, freq, repeat, wave, start};
}

struct Compile : ::testing::Test {
    StepTable table;
    CompileOptions options;

    Compile() {
        table.relative = false;
        options.startLevel = {100, 100, 100};
        options.frequency = 60;
    }
    CompileResult compile() { return CompileStepTable(table, options); }
    const ListProgram& program() {
        result = compile();
        EXPECT_TRUE(result.program) << result.error.toStdString();
        if (!result.program) result.program = ListProgram{};
        return *result.program;
    }
    SentLists sent(int segment = 0) {
        const ListProgram& p = program();
        if (segment >= static_cast<int>(p.segments.size())) return SentLists({});
        return SentLists(SegmentListCommands(p, p.segments[segment]));
    }
    CompileResult result;
};

} // namespace

TEST_F(Compile, DcStepDropAndDelayGiveTheListsOfTheTable) {
    options.mode = ModeDC;
    options.startLevel = {28.0, 28.0, 28.0};
    options.minimumDwell = 0.001;
    options.triggerStep = 1;
    options.triggerOutList = true;
    table.rows = {row("V Step", "0.5", "50"), row("V Drop", "0.01"), row("Delay", "0.2")};
    const SentLists s = sent();
    EXPECT_EQ(s.common["list:dwel"], "0.500,0.010,0.001,0.200");
    EXPECT_EQ(s.phase[1]["list:volt"], "50.0,0.0,50.0,50.0");
    EXPECT_EQ(s.phase[1]["list:volt:slew"], "max,max,max,max");
    EXPECT_EQ(s.common["list:rep"], "0,0,0,0");
    EXPECT_EQ(s.common["list:ttlt"], "1,0,0,0");
    // DC sends no frequency or waveform lists; a single-phase output only phase 1.
    EXPECT_FALSE(s.common.contains("list:freq"));
    EXPECT_FALSE(s.common.contains("list:freq:slew"));
    EXPECT_FALSE(s.phase[1].contains("list:shap"));
    EXPECT_EQ(s.selected, QList<int>{1});
}

TEST_F(Compile, SweepSlewIsTheChangeOverTheTimeAndNeverRoundsToZero) {
    const struct {
        double from;
        const char* to;
        const char* time;
        const char* slew;
    } cases[] = {
        {50, "100", "10", "5.000"},
        {28, "29", "3600", "0.000278"},
        {100, "100", "2", "max"}, // no change
        {120, "20", "4", "25.000"},
    };
    for (const auto& c : cases) {
        options.startLevel = {c.from, c.from, c.from};
        table.rows = {row("V Sweep", c.time, c.to)};
        EXPECT_EQ(sent().phase[1]["list:volt:slew"], c.slew) << c.to << " V in " << c.time;
    }
}

TEST_F(Compile, RelativeCellsScaleByTheNominalValues) {
    table.relative = true;
    options.vnom = 120;
    options.fnom = 400;
    options.frequency = 400;
    table.rows = {row("VF Step", "1", "50", "110")};
    const SentLists s = sent();
    EXPECT_EQ(s.phase[1]["list:volt"], "60.0");
    EXPECT_EQ(s.common["list:freq"], "440.0");
}

TEST_F(Compile, CyclesBecomeSecondsAtTheFrequencyTheRowPlaysAt) {
    table.cycles = true;
    options.frequency = 400;
    const struct {
        StepRow step;
        const char* dwell;
    } cases[] = {
        {row("V Step", "2", "50"), "0.0050"},      // at the frequency in force
        {row("F Step", "2", "", "500"), "0.0040"}, // at the row's frequency
        {row("F Srg/Sag", "2", "", "500"), "0.0040,0.001"},
        {row("VF Sweep", "5", "50", "600"), "0.0100"}, // at the mean of both
        {row("Delay", "4"), "0.0100"},
    };
    for (const auto& c : cases) {
        table.rows = {c.step};
        EXPECT_EQ(sent().common["list:dwel"], c.dwell) << c.step[0].toStdString();
    }
}

TEST_F(Compile, EachTypeGivesItsMainAndReturnPoints) {
    // Level in force 100 V at 60 Hz; every row 2 s, 120 V, 50 Hz.
    struct Expected {
        double volt;
        std::optional<double> slew;
        double freq;
        std::optional<double> freqSlew;
        bool returns;
    };
    const struct {
        const char* type;
        Expected main;
    } cases[] = {
        {"V Drop", {0, {}, 60, {}, true}},      {"V Step", {120, {}, 60, {}, false}},
        {"V Srg/Sag", {120, {}, 60, {}, true}}, {"V Sweep", {120, 10, 60, {}, false}},
        {"F Step", {100, {}, 50, {}, false}},   {"F Srg/Sag", {100, {}, 50, {}, true}},
        {"F Sweep", {100, {}, 50, 5, false}},   {"VF Step", {120, {}, 50, {}, false}},
        {"VF Sweep", {120, 10, 50, 5, false}},  {"Delay", {100, {}, 60, {}, false}},
    };
    options.minimumDwell = 0.01;
    for (const auto& c : cases) {
        table.rows = {row(c.type, "2", "120", "50", "3")};
        const ListProgram& p = program();
        ASSERT_EQ(p.segments.size(), 1u) << c.type;
        const std::vector<ListPoint>& points = p.segments[0].points;
        ASSERT_EQ(points.size(), c.main.returns ? 2u : 1u) << c.type;
        const ListPoint& m = points[0];
        EXPECT_DOUBLE_EQ(m.dwell, 2) << c.type;
        EXPECT_EQ(m.repeat, 3) << c.type;
        EXPECT_DOUBLE_EQ(m.volt[0], c.main.volt) << c.type;
        EXPECT_EQ(m.voltSlew[0], c.main.slew) << c.type;
        EXPECT_DOUBLE_EQ(m.frequency, c.main.freq) << c.type;
        EXPECT_EQ(m.frequencySlew, c.main.freqSlew) << c.type;
        if (!c.main.returns) continue;
        const ListPoint& r = points[1];
        EXPECT_DOUBLE_EQ(r.dwell, 0.01) << c.type;
        EXPECT_EQ(r.dwellForm, DwellForm::Minimum) << c.type;
        EXPECT_EQ(r.repeat, 0) << c.type;
        EXPECT_FALSE(r.triggerOut) << c.type;
        EXPECT_DOUBLE_EQ(r.volt[0], 100) << c.type;
        EXPECT_FALSE(r.voltSlew[0]) << c.type;
        EXPECT_DOUBLE_EQ(r.frequency, 60) << c.type;
        EXPECT_FALSE(r.frequencySlew) << c.type;
    }
}

TEST_F(Compile, LevelAndFrequencyCarryFromRowToRow) {
    table.rows = {row("VF Step", "1", "120", "50"), row("V Drop", "0.1"),
                  row("V Sweep", "4", "100"), row("F Sweep", "2", "", "70"), row("Delay", "1")};
    const SentLists s = sent();
    EXPECT_EQ(s.phase[1]["list:volt"], "120.0,0.0,120.0,100.0,100.0,100.0");
    EXPECT_EQ(s.phase[1]["list:volt:slew"], "max,max,max,5.000,max,max");
    EXPECT_EQ(s.common["list:freq"], "50.0,50.0,50.0,50.0,70.0,70.0");
    EXPECT_EQ(s.common["list:freq:slew"], "max,max,max,max,10.000,max");
}

TEST_F(Compile, ThreePhaseListsFollowEachPhaseAndItsWaveform) {
    options.outputs = 3;
    options.startLevel = {115, 110, 120};
    options.frequency = 400;
    options.waveform = {"sin", "squ", "csin"};
    table.phases = {true, false, true};
    table.rows = {row("V Sweep", "1", "100"), row("V Step", "0.5", "90", "", "", "tri")};
    const SentLists s = sent();
    EXPECT_EQ(s.selected, (QList<int>{1, 3}));
    EXPECT_EQ(s.phase[1]["list:volt:slew"], "15.000,max");
    EXPECT_EQ(s.phase[3]["list:volt:slew"], "20.000,max");
    EXPECT_EQ(s.phase[1]["list:shap"], "sin,tri");
    EXPECT_EQ(s.phase[3]["list:shap"], "csin,tri");
    EXPECT_EQ(s.common["list:freq"], "400.0,400.0");
}

TEST_F(Compile, SingleOutputNeverAddressesPhasesTwoAndThree) {
    options.outputs = 1;
    table.phases = {true, true, true};
    table.rows = {row("V Step", "1", "50")};
    const ListProgram& p = program();
    ASSERT_EQ(p.segments.size(), 1u);
    EXPECT_FALSE(p.phases[1] || p.phases[2]);
    const QStringList lines = SegmentListCommands(p, p.segments[0]);
    EXPECT_FALSE(lines.join(';').contains("nsel 2"));
    EXPECT_FALSE(lines.join(';').contains("nsel 3"));
    EXPECT_EQ(SentLists(lines).selected, QList<int>{1});

    // A program built elsewhere with every phase ticked is held to the output too.
    ListProgram everyPhase = p;
    everyPhase.phases = {true, true, true};
    EXPECT_EQ(SentLists(SegmentListCommands(everyPhase, p.segments[0])).selected, QList<int>{1});
}

TEST_F(Compile, SegmentsOutgrowingTheListAreRefusedAtTheirRow) {
    options.listCapacity = 32;
    options.minimumDwell = 0.01;
    table.rows.assign(20, row("V Drop", "0.05"));
    CompileResult r = compile();
    EXPECT_FALSE(r.program);
    EXPECT_EQ(r.error, CapacityMessage(17));
    EXPECT_TRUE(r.error.contains("capability of the unit at row number 17.\n"));

    table.rows[10][ColStartPhase] = "90";
    const ListProgram& p = program();
    ASSERT_EQ(p.segments.size(), 2u);
    EXPECT_EQ(p.segments[0].firstRow, 1);
    EXPECT_FALSE(p.segments[0].startAngle);
    EXPECT_EQ(p.segments[0].points.size(), 20u);
    EXPECT_EQ(p.segments[1].firstRow, 11);
    EXPECT_EQ(p.segments[1].startAngle, 90.0);
    EXPECT_EQ(p.segments[1].points.size(), 20u);
}

TEST_F(Compile, DcBreakOpensASegment) {
    options.mode = ModeDC;
    table.rows = {row("V Step", "1", "24", "", "", "", "x"), row("Delay", "1"),
                  row("V Step", "1", "-12", "", "", "", "break")};
    const ListProgram& p = program();
    ASSERT_EQ(p.segments.size(), 2u);
    EXPECT_TRUE(p.segments[0].dcBreak);
    EXPECT_TRUE(p.segments[1].dcBreak);
    EXPECT_EQ(p.segments[1].firstRow, 3);
    EXPECT_DOUBLE_EQ(p.segments[1].points[0].volt[0], -12);
}

TEST_F(Compile, TheTableEndsAtTheFirstEmptyRow) {
    table.rows = {row("Empty", "1", "50"), row("V Step", "1", "50")};
    EXPECT_TRUE(compile().nothingToDo);
    EXPECT_EQ(compile().error, "First list data point is empty. Nothing to do.");
    table.rows = {row("V Step", "1", "50"), row("", ""), row("V Step", "1", "junk")};
    EXPECT_EQ(program().segments[0].points.size(), 1u);
}

TEST_F(Compile, BadRowsAreRefusedNamingRowColumnValueAndLimit) {
    options.model.VoltHighRange = 300;
    options.model.DcPosHigh = 400;
    options.model.DcNegHigh = -400;
    options.model.FreqMin = 45;
    options.model.FreqMax = 1000;
    options.minimumDwell = 0.001;
    const struct {
        int mode;
        bool relative;
        StepRow step;
        const char* message;
    } cases[] = {
        {ModeAC, false, row("V Step", "1", "350"),
         "Row 2, \"Voltage\": 350 V is above the highest AC voltage of 300.0 V."},
        {ModeAC, true, row("V Step", "1", "300"),
         "Row 2, \"Volt (%)\": 300 % of 120.0 V (360.0 V) is above the highest AC voltage of "
         "300.0 V."},
        {ModeAC, false, row("V Sweep", "1", "-5"),
         "Row 2, \"Voltage\": -5 V is negative; an AC voltage is 0 V or more."},
        {ModeDC, false, row("V Step", "1", "-450"),
         "Row 2, \"Voltage\": -450 V is outside the DC voltage limits of -400.0 V to 400.0 V."},
        {ModeDC, false, row("F Step", "1", "", "50"),
         "Row 2, \"Type\": \"F Step\" cannot be used in DC mode, which offers V Drop, V Step, "
         "V Srg/Sag, V Sweep, Delay."},
        {ModeAC, false, row("F Step", "1", "", "1200"),
         "Row 2, \"Freq.\": 1200 Hz is outside the frequency limits of 45.0 Hz to 1000.0 Hz."},
        {ModeACDC, true, row("F Sweep", "1", "", "30"),
         "Row 2, \"Freq. (%)\": 30 % of 60.0 Hz (18.0 Hz) is outside the frequency limits of "
         "45.0 Hz to 1000.0 Hz."},
        {ModeAC, false, row("V Drop", "0.0005"),
         "Row 2, \"Time (s)\": 0.0005 s is below the minimum dwell of 0.001 s."},
        {ModeAC, false, row("Delay", "0"), "Row 2, \"Time (s)\": 0 s is not a duration above 0 s."},
        {ModeAC, false, row("Delay", "1,5"), "Row 2, \"Time (s)\": \"1,5\" is not a number."},
        {ModeAC, false, row("V Step", "1", ""),
         "Row 2, \"Voltage\": a V Step needs a number here."},
        {ModeAC, false, row("VF Step", "1", "100", "abc"),
         "Row 2, \"Freq.\": \"abc\" is not a number."},
        {ModeAC, false, row("Delay", "1", "", "", "1.5"),
         "Row 2, \"Repeat\": \"1.5\" is not a whole number of repeats from 0 to 65535."},
        {ModeAC, false, row("Delay", "1", "", "", "", "", "400"),
         "Row 2, \"Strt Phs\": 400 degrees is outside 0 to 360 degrees."},
        {ModeAC, false, row("Delay", "1", "", "", "", "sin,squ"),
         "Row 2, \"Waveform\": \"sin,squ\" is not a waveform name: it holds a comma, a semicolon "
         "or a quote."},
        {ModeAC, false, row("V Jump", "1"), "Row 2, \"Type\": \"V Jump\" is not a step type."},
    };
    for (const auto& c : cases) {
        options.mode = c.mode;
        table.relative = c.relative;
        table.rows = {row("V Step", "1", "50", "60"), c.step};
        const CompileResult r = compile();
        EXPECT_FALSE(r.program) << c.message;
        EXPECT_EQ(r.error, c.message);
    }
}

TEST_F(Compile, RelativeTableNeedsPositiveBasesAndMonitoringNeedsItsTriggerStep) {
    table.rows = {row("V Step", "1", "50"), row("Delay", "1")};
    table.relative = true;
    options.vnom = 0;
    EXPECT_FALSE(compile().program);
    EXPECT_TRUE(compile().error.contains("V_nom and F_nom must be positive"));

    options.vnom = 120;
    table.monitor = true;
    options.triggerStep = 3;
    EXPECT_EQ(compile().error,
              "Trigger Waveform Acquisition at step number 3: the table has steps 1 to 2.");
    options.triggerStep = 2;
    EXPECT_TRUE(compile().program);
}

TEST_F(Compile, CycleTimesBelowTheMinimumDwellNameTheirSeconds) {
    table.cycles = true;
    options.frequency = 400;
    options.minimumDwell = 0.01;
    table.rows = {row("V Step", "2", "50")};
    EXPECT_EQ(compile().error,
              "Row 1, \"Cycles\": 2 cycles (0.005 s) is below the minimum dwell of 0.01 s.");
}

TEST_F(Compile, TriggerOutIsSentOnlyByTriggerOutListSources) {
    table.rows = {row("V Step", "1", "50"), row("V Srg/Sag", "1", "80")};
    options.triggerStep = 2;
    options.triggerOutList = true;
    EXPECT_EQ(sent().common["list:ttlt"], "0,1,0");
    options.triggerOutList = false;
    EXPECT_FALSE(sent().common.contains("list:ttlt"));
}
