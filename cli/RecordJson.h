#pragma once
// The program-wide records as JSON, keyed by their field names.
#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <QJsonArray>
#include <QJsonObject>

#include <array>

namespace ostrel {

QJsonObject SourceModelJson(const SourceModel& model);
QJsonObject OutputStateJson(const OutputState& state);
QJsonArray MaxVoltageJson(const std::array<float, 3>& maxVoltage);

} // namespace ostrel
