#pragma once
// The main window started against a running virtual source over LAN, with
// what reached the source read back from its command log.
#include "app/frmMain.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::test {

class MainWindowTest : public ::testing::Test {
protected:
    VirtualSourceProcess source;
    ProgramFixture fixture;
    std::unique_ptr<frmMain> window;

    Program& program() { return fixture.program(); }
    ScriptedPrompt& prompt() { return fixture.prompt(); }

    // Starts the source (its options) and the main window connected to it.
    void startWindow(const QStringList& sourceArgs, const QString& commandLine = {});
    // The measurement windows' menu entries work, as in the program.
    bool withMeasurementWindows = false;
    void startSimulated(int model);

    // Every command the source received, in order.
    QStringList received();
    // Commands received after the mark.
    QStringList receivedSince(qsizetype mark) { return received().mid(mark); }
    qsizetype mark() { return received().size(); }

    template <class W>
    W* control(const char* name, int index = -1) {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name << " " << index;
        return nullptr;
    }
    void type(const char* box, const QString& text);
    void click(const char* option, int index);
    // The window on screen, active, with its events handled.
    void showWindow();
    // The open top-level window of that class, once it is there.
    QWidget* topLevel(const char* objectName);
    // What the screen shows of `w` is what `w` holds now: no change of it was
    // left unpainted.
    static bool shownAsItIs(QWidget* w);
};

} // namespace ostrel::test
