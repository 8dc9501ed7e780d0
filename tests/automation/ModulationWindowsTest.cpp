// The modulation and DC ripple windows offscreen, driven by their controls'
// names against the virtual source: a run from the entries typed with a
// comma separator, refused entries, and closing either window mid-run.
#include "link/LinkConversation.h"

#include "automation/frmDCRipple.h"
#include "automation/frmModulation.h"
#include "link/Readback.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class ModulationWindowsTest : public LinkConversation {
protected:
    void startModel(int model, const QString& timeScale) {
        start({QStringLiteral("--model"), QString::number(model), QStringLiteral("--time-scale"),
               timeScale});
        ASSERT_EQ(identify(), model);
        ASSERT_FALSE(ReadBackState(program(), model));
        program().settings.link.arbDownloadDelay = 10;
    }

    template <class W> static W* control(QWidget* window, const char* name, int index = -1) {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name << " " << index;
        return nullptr;
    }

    static void type(QLineEdit* box, const QString& text) {
        box->setText(text);
        emit box->editingFinished();
    }

    QString query(const QString& text) { return program().link.Query(0, text, 2).trimmed(); }

    // With OSTREL_SCREENSHOTS set, the window as it looks goes there.
    static void keepScreenshot(QWidget* window, const QString& name) {
        const QImage image = window->grab().toImage();
        EXPECT_FALSE(image.isNull());
        const QString dir = qEnvironmentVariable("OSTREL_SCREENSHOTS");
        if (!dir.isEmpty()) image.save(QDir(dir).filePath(name));
    }
};

TEST_P(ModulationWindowsTest, ModulationRunsFromTheEntriesAndRefusesBadOnes) {
    startModel(4, QStringLiteral("10"));
    if (HasFatalFailure()) return;
    program().decimalSeparator = QLatin1Char(',');
    frmModulation window(program());
    window.show();
    type(control<QLineEdit>(&window, "txtVnom", 0), QStringLiteral("100,04"));
    type(control<QLineEdit>(&window, "txtModDepth", 0), QStringLiteral("12,5"));
    type(control<QLineEdit>(&window, "txtModFreq", 0), QStringLiteral("10"));
    type(control<QLineEdit>(&window, "txtRunTime", 0), QStringLiteral("1,5"));
    control<QCheckBox>(&window, "chkPhase", 0)->setChecked(true);
    control<QCheckBox>(&window, "chkPhase", 2)->setChecked(true);
    EXPECT_EQ(control<QLineEdit>(&window, "txtVnom", 0)->text(), QStringLiteral("100,0"));
    const ModulationEntry e = window.settings().entry(ModulationTab::Voltage);
    EXPECT_DOUBLE_EQ(e.depth, 12.5);
    EXPECT_DOUBLE_EQ(e.runTime, 1.5);
    EXPECT_EQ(window.settings().phaseMask, 5);

    // Refused: the last good value stays.
    const struct {
        const char* box;
        QString typed;
        QString message;
    } refusals[] = {
        {"txtModDepth", QStringLiteral("200"),
         QStringLiteral(
             "Data entry error. Requested modulation\r\ndepth exceeds average voltage.")},
        {"txtModFreq", QStringLiteral("0"),
         QStringLiteral("User data entry out of range or invalid.\r\nNo change in settings made.")},
        {"txtRunTime", QStringLiteral("1,5 s"),
         QStringLiteral("User data entry out of range or invalid.\r\nNo change in settings made.")},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.box);
        prompt().clear();
        QLineEdit* box = control<QLineEdit>(&window, r.box, 0);
        const QString before = box->text();
        type(box, r.typed);
        EXPECT_EQ(prompt().messages(), QStringList{r.message});
        EXPECT_EQ(box->text(), before);
    }
    keepScreenshot(&window, QStringLiteral("frmModulation.png"));

    control<QPushButton>(&window, "cmdStart")->click();
    EXPECT_EQ(control<QLabel>(&window, "lblStatus")->text(),
              QStringLiteral("Modulation run time completed"));
    EXPECT_EQ(control<QProgressBar>(&window, "pgbRunTime")->value(), 1000);
    EXPECT_TRUE(control<QPushButton>(&window, "cmdStart")->isEnabled());
    EXPECT_EQ(program().outputState.OutputOn, 1);
}

TEST_P(ModulationWindowsTest, ClosingTheModulationWindowMidRunAbortsAndRestoresFirst) {
    startModel(4, QStringLiteral("1"));
    if (HasFatalFailure()) return;
    frmModulation window(program());
    window.show();
    type(control<QLineEdit>(&window, "txtVnom", 0), QStringLiteral("100"));
    type(control<QLineEdit>(&window, "txtModDepth", 0), QStringLiteral("10"));
    type(control<QLineEdit>(&window, "txtRunTime", 0), QStringLiteral("60"));
    bool closedWhileRunning = false;
    QTimer::singleShot(500, &window, [&] {
        closedWhileRunning = window.running();
        window.close();
    });
    control<QPushButton>(&window, "cmdStart")->click();
    EXPECT_TRUE(closedWhileRunning);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(control<QLabel>(&window, "lblStatus")->text(),
              QStringLiteral("Modulation aborted by operator"));
    EXPECT_EQ(query(QStringLiteral("inst:nsel 1;:volt:mode?")), QStringLiteral("FIX"));
}

TEST_P(ModulationWindowsTest, ClosingTheRippleWindowMidTestAsksThenRestores) {
    startModel(4, QStringLiteral("1000"));
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("outp 1"));
    ASSERT_FALSE(ReadBackState(program(), 4));
    auto* window = new frmDCRipple(program());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    EXPECT_EQ(control<QLabel>(window, "lblStatus")->text(), QStringLiteral("Ready..."));
    EXPECT_TRUE(query(QStringLiteral("trac:cat?")).contains(QLatin1String("DCRIP16")));
    bool stillRunning = false;
    QString label;
    prompt().answer(PromptAnswer::No);
    prompt().answer(PromptAnswer::Yes);
    QTimer::singleShot(1500, window, [&] {
        label = control<QLabel>(window, "lblProgressTest")->text();
        keepScreenshot(window, QStringLiteral("frmDCRipple.png"));
        window->close(); // No: the test goes on
        stillRunning = window->running();
        window->close(); // Yes
    });
    QPointer<frmDCRipple> alive(window);
    control<QPushButton>(window, "cmdStart")->click();
    EXPECT_TRUE(stillRunning);
    EXPECT_TRUE(label.startsWith(QLatin1String("Complete test: 000:00:00:0")))
        << label.toStdString();
    EXPECT_TRUE(label.endsWith(QLatin1String(" / 000:01:15:00"))) << label.toStdString();
    EXPECT_EQ(prompt().questions().size(), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    EXPECT_FALSE(query(QStringLiteral("trac:cat?")).contains(QLatin1String("DCRIP")));
    EXPECT_EQ(query(QStringLiteral("inst:nsel 1;:func:mode?")), QStringLiteral("FIX"));
    EXPECT_EQ(query(QStringLiteral("mode?")), QStringLiteral("AC"));
}

INSTANTIATE_TEST_SUITE_P(Lan, ModulationWindowsTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
