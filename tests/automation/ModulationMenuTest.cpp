// The main window's entries for the modulation and DC ripple windows, and
// both windows in simulation: nothing is sent and a run ends after its set-up.
#include "app/MainWindowFixture.h"

#include "core/Program.h"
#include "automation/ModulationWindows.h"
#include "automation/frmDCRipple.h"
#include "automation/frmModulation.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ostrel;
using namespace ostrel::test;

namespace {

TEST_F(MainWindowTest, DcRippleOpensOnVkModelsOnly) {
    const struct {
        int model;
        bool opens;
    } cases[] = {{10, false}, {4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        startSimulated(c.model);
        RegisterModulationWindows(*window, program());
        prompt().clear();
        QAction* entry = window->action(QStringLiteral("mnuARTCADCRipple"));
        ASSERT_TRUE(entry && entry->isEnabled());
        entry->trigger();
        if (!c.opens) {
            EXPECT_EQ(window->windows().find(QStringLiteral("mnuARTCADCRipple")), nullptr);
            EXPECT_EQ(prompt().messages(),
                      QStringList{QStringLiteral("Sorry, this function is only\r\n"
                                                 "supported on Vk Series models.")});
            continue;
        }
        auto* ripple = qobject_cast<frmDCRipple*>(topLevel("frmDCRipple"));
        ASSERT_NE(ripple, nullptr);
        EXPECT_EQ(ripple->windowTitle(), QStringLiteral("DO160 DC Ripple Test (18.3.1)"));
        prompt().answer(PromptAnswer::Ok);
        ripple->findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
        EXPECT_EQ(ripple->findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
                  QStringLiteral("Simulation: no source ran the transient."));
        EXPECT_FALSE(ripple->running());
        ripple->close();
    }
}

TEST_F(MainWindowTest, ModulationOpensOnceAndEndsAfterItsSetUpInSimulation) {
    startSimulated(4);
    RegisterModulationWindows(*window, program());
    QAction* entry = window->action(QStringLiteral("frmSModulation"));
    ASSERT_TRUE(entry && entry->isEnabled());
    entry->trigger();
    auto* modulation = qobject_cast<frmModulation*>(topLevel("frmModulation"));
    ASSERT_NE(modulation, nullptr);
    entry->trigger();
    EXPECT_EQ(window->windows().find(QStringLiteral("frmSModulation")), modulation);
    for (const char* box : {"txtVnom", "txtModDepth"}) {
        for (QLineEdit* e : modulation->findChildren<QLineEdit*>(QLatin1String(box)))
            if (e->property("index").toInt() == 0) {
                e->setText(QLatin1String(box) == QLatin1String("txtVnom") ? QStringLiteral("100")
                                                                          : QStringLiteral("10"));
                emit e->editingFinished();
            }
    }
    modulation->findChild<QPushButton*>(QStringLiteral("cmdStart"))->click();
    EXPECT_EQ(modulation->findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
              QStringLiteral("Simulation: no source ran the modulation."));
    EXPECT_EQ(program().outputState.OutputOn, 1);
    modulation->close();
}

} // namespace
