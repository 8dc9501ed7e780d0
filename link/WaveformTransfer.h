#pragma once
// The source's waveform registers: the catalog of user waveform names,
// downloads, deletes, and the name rule.
#include "link/QueryResult.h"

#include <QString>
#include <QStringList>

#include <span>

namespace ostrel {

struct Program;

// The user names of a "trac:cat?" reply, upper-cased, in order: the reply
// starts with the three built-in names, which are skipped.
QStringList ParseWaveformCatalog(const QString& reply);

// Refreshes the catalog names and each phase's clipped-sine distortion;
// the first query that failed, if one did.
QueryFailure ReadWaveformCatalog(Program& program, int modelIndex);

// "trac:data <name>,<s0>,<s1>,..." with samples 0..lastIndex as "0.0###".
QString WaveformDataCommand(const QString& name, int lastIndex, std::span<const float> samples);

// Defines the register and sends samples 0..lastIndex. False when the
// source's memory is full (nothing but the definition is sent) or the
// samples could not be sent. The source's errors for the samples are shown,
// or, with `dataErrors`, handed to the caller to report under its own words.
bool DownloadWaveform(Program& program, const QString& name, int lastIndex,
                      std::span<const float> samples, QString* dataErrors = nullptr);

// The name must start with a letter A to Z; otherwise the operator is told.
bool ValidateWaveformName(Program& program, const QString& name);

// Asks, then deletes one register. True when it was deleted; its catalog
// name is then cleared. ">EMPTY<" does nothing.
bool DeleteWaveform(Program& program, const QString& name);
// Asks, then deletes every user register, shows what the source refused (a
// register in use) and reads the catalog again. True when the operator agreed.
bool DeleteAllWaveforms(Program& program);

int CountCommas(const QString& text);

} // namespace ostrel
