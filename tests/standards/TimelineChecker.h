#pragma once
// Checks a virtual source's timeline against the test it ran: per step
// group one initiate with its points and count; each point lasting its
// dwell; each phase's level (or ramp target and rate) its step's voltage x
// the HF factor, frequency and wave its step's; passes equal to Loop; each
// AC group starting at phase A angle 0. Returns what does not hold.
#include "standards/HfFactors.h"
#include "standards/StepGrid.h"

#include <QJsonObject>
#include <QStringList>

#include <vector>

namespace ostrel::test {

struct TimelineExpectation {
    StepGrid grid;
    bool dc = false;
    int phases = 1;
    HfFactors factors;
};

QStringList CheckTimeline(const std::vector<QJsonObject>& events, const TimelineExpectation& expected);
// Every record of the file, in order.
std::vector<QJsonObject> TimelineRecords(const QString& path);

} // namespace ostrel::test
