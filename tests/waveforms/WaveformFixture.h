#pragma once
// The waveform tools' world: a fresh program object whose link talks to a
// running virtual source over LAN (or stays in simulation), and what the
// source received.
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace ostrel::test {

class WaveformFixture : public ::testing::Test {
protected:
    ProgramFixture fixture;
    VirtualSourceProcess source;

    Program& program() { return fixture.program(); }
    ScriptedPrompt& prompt() { return fixture.prompt(); }

    // Starts the source with `args`, connects the link and identifies it.
    void connectSource(const QStringList& args = {});
    // Connects the link to the source already started, and identifies it.
    void attach();
    // A library folder: twelve good files, "2fast.abw" (a name the rule
    // refuses), a damaged "bent.abw", "Wide.abw" with a sample of 1.5, and a
    // file that is not a waveform.
    QString libraryFolder();
    // Every line the source received, in order, once all that was sent arrived.
    QStringList received();
    // A query straight through the link, "" when it failed.
    QString query(const QString& text);
    // The samples of a register as the source holds them.
    std::vector<double> registerSamples(const QString& name);
};

} // namespace ostrel::test
