#include "transients/StepTable.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(StepTypes, NamesAreComparedWithoutCaseAndEmptyEndsTheTable) {
    const struct {
        const char* name;
        std::optional<StepType> type;
    } cases[] = {
        {"V SRG/SAG", StepType::VSurgeSag},
        {"vf sweep", StepType::VfSweep},
        {"v drop", StepType::VDrop},
        {"Delay", StepType::Delay},
        {" F Step ", StepType::FStep},
        {"Empty", StepType::Empty},
        {"", StepType::Empty},
        {"V Jump", std::nullopt},
        {"VSweep", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StepTypeFromName(QString::fromUtf8(c.name)), c.type) << c.name;
    EXPECT_EQ(static_cast<int>(*StepTypeFromName(u"V SRG/SAG")), 3);
    EXPECT_EQ(static_cast<int>(*StepTypeFromName(u"vf sweep")), 9);
}

TEST(StepTypes, DcOffersSixTypesAndAllowsOnlyThose) {
    EXPECT_EQ(AcStepTypeNames().size(), 11);
    EXPECT_EQ(DcStepTypeNames(),
              (QStringList{"Empty", "V Drop", "V Step", "V Srg/Sag", "V Sweep", "Delay"}));
    for (const QString& name : AcStepTypeNames())
        EXPECT_EQ(AllowedInDc(*StepTypeFromName(name)), DcStepTypeNames().contains(name))
            << name.toStdString();
}

TEST(StepTypes, HeadingsFollowCyclesDataModeAndDc) {
    EXPECT_EQ(StepColumnHeading(ColTime, false, true, false), "Cycles");
    EXPECT_EQ(StepColumnHeading(ColTime, false, false, false), "Time (s)");
    EXPECT_EQ(StepColumnHeading(ColVoltage, true, false, false), "Volt (%)");
    EXPECT_EQ(StepColumnHeading(ColFrequency, false, false, false), "Freq.");
    EXPECT_EQ(StepColumnHeading(ColStartPhase, false, false, true), "Break");
    EXPECT_EQ(StepColumnHeading(ColStartPhase, false, false, false), "Strt Phs");
}
