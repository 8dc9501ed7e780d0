#pragma once
// The source configuration dialogs' logic: user limits, synchronisation,
// trigger output, relay hold-off, power-on state, model choice, timing.
#include "config/Settings.h"

#include <QString>
#include <QStringList>

#include <array>

namespace ostrel {

struct Program;
struct SourceModel;

// The limit boxes, in order: frequency max, min; AC high, low range; positive
// DC high, low; negative DC high, low.
constexpr int kLimitBoxes = 8;
using LimitTexts = std::array<QString, kLimitBoxes>;

LimitTexts LimitTextsOf(const UserLimits& limits);
LimitTexts ModelLimitTexts(const SourceModel& model);

struct LimitCheck {
    bool closeWindow = false; // false: the message says why the window stays open
    QString message;          // error, or the warning that limits were changed
    UserLimits limits;
};
// Reads the boxes and the allowed modes; the result is clamped to the model.
LimitCheck CheckUserLimits(const LimitTexts& texts, bool allowAC, bool allowDC, bool allowACDC,
                           const SourceModel& model, QChar decimalSeparator);

// Synchronisation 0 internal, 1 external (line), 2 auxiliary. Errors are shown
// and the clock goes back to internal.
void ApplySynchronisation(Program& program, int choice);
void ApplyTriggerOutput(Program& program, int frameStrobe);
void ApplyRelayHoldOff(Program& program, float holdOff);
void ApplyRemoteInhibit(Program& program, int mode); // 0 live, 1 latching, 2 off

// The source's LAN settings as the configuration dialog shows them.
QString LanSettingsText(Program& program);

// Power-on state: reset or register 0; clock mode 0 standalone, 1 master, 2 auxiliary.
void ApplyPowerOn(Program& program, bool reset, int clockMode);

// In simulation the model becomes the choice; with a source it is refused.
bool ChooseModel(Program& program, int index);

} // namespace ostrel
