#pragma once
// A measurement window's world: a fresh program object whose link talks to a
// running virtual source over LAN (or stays in simulation), the program-wide
// measurement records, and helpers that drive controls by their names.
#include "QtPrinters.h"
#include "measure/MeasurementState.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QAbstractButton>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

namespace ostrel::test {

class WindowFixture : public ::testing::Test {
protected:
    ProgramFixture fixture;
    VirtualSourceProcess source;
    MeasurementState state;

    Program& program() { return fixture.program(); }
    ScriptedPrompt& prompt() { return fixture.prompt(); }

    // Starts the source with `args` and connects the program's link to it.
    void connectSource(const QStringList& args = {});
    // Every command and query the source received, in order, once all that
    // was sent has arrived.
    QStringList received();
    qsizetype mark() { return received().size(); }
    QStringList receivedSince(qsizetype mark) { return received().mid(mark); }

    template <class W> static W* control(QWidget* window, const char* name, int index = -1) {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name << " " << index;
        return nullptr;
    }
    static void click(QWidget* window, const char* name, int index = -1);
    static void check(QWidget* window, const char* name, int index, bool on);
    static void type(QWidget* window, const char* name, const QString& text);
};

} // namespace ostrel::test
