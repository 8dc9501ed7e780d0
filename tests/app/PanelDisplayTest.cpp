// What the panel shows is what OutputState holds, and what the operator types
// is what goes out: fills, refreshes and the controls that depend on the mode.
#include "MainWindowFixture.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Readback.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {
QStringList startingWith(const QStringList& commands, const QString& head) {
    QStringList out;
    for (const QString& c : commands)
        if (c.startsWith(head, Qt::CaseInsensitive)) out.append(c);
    return out;
}
} // namespace

TEST_F(MainWindowTest, AnOpenedSetupShowsItsValuesInEveryBoxForEachPhase) {
    startWindow({"--model", "4"});
    showWindow();
    type("txtAmpc", "50");
    type("txtCurc", "1");
    type("txtFreq", "60");
    const QString path = fixture.tempPath("phases.stp");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("4\n400,0,0,1,0,0,0.25,0,0,0,0,0\n115,1.5,0,0,0,0\n120,2,240,0,0,0\n125,2.5,120,0,0,0\n");
    }
    control<QWidget>("optPhaseSelect", 0)->setFocus(); // no box has a blinking cursor
    prompt().chooseFile(path);
    window->action("mnuFOpen")->trigger();
    ASSERT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join("\n").toStdString();

    const char* boxes[] = {"txtAmpc", "txtFreq", "txtCurc", "txtPhsc"};
    for (const char* box : boxes) EXPECT_TRUE(shownAsItIs(control<QLineEdit>(box))) << box;
    struct Shown {
        const char* volts;
        const char* amps;
        const char* degrees;
    };
    const Shown phases[] = {{"115.0", "1.50", "0.0"}, {"120.0", "2.00", "240.0"}, {"125.0", "2.50", "120.0"}};
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        click("optPhaseSelect", p);
        EXPECT_EQ(control<QLineEdit>("txtAmpc")->text(), phases[p].volts);
        EXPECT_EQ(control<QLineEdit>("txtCurc")->text(), phases[p].amps);
        EXPECT_EQ(control<QLineEdit>("txtPhsc")->text(), phases[p].degrees);
        EXPECT_EQ(control<QLineEdit>("txtFreq")->text(), "400.0");
        const PhaseState& ph = program().outputState.Phase[p];
        EXPECT_EQ(control<QSlider>("hscAmp")->value(), qRound(ph.Voltage * 10));
        EXPECT_EQ(control<QSlider>("hscCur")->value(), qRound(ph.CurrentLimit * 100));
        EXPECT_EQ(control<QSlider>("hscPhase")->value(), qRound(ph.PhaseAngle * 10));
        EXPECT_EQ(control<QSlider>("hscFreq")->value(), 4000);
        EXPECT_EQ(control<QLabel>("lblVolt", p)->text(), QString(phases[p].volts) + " V");
        for (const char* box : boxes) EXPECT_TRUE(shownAsItIs(control<QLineEdit>(box))) << box;
    }
}

TEST_F(MainWindowTest, ARefreshWhileABoxIsBeingTypedInSendsWhatWasTypedAndNothingElse) {
    struct Case {
        const char* name;
        bool confirmedDuringRefresh; // else the digits and Enter come once the refresh is over
    };
    const Case cases[] = {{"select all during the refresh, digits after it", false},
                          {"typed and confirmed while the refresh reads", true}};
    startWindow({"--model", "0"});
    showWindow();
    window->action("mnuOViewer")->trigger();
    QWidget* viewer = topLevel("frmViewer");
    ASSERT_NE(viewer, nullptr);
    QLineEdit* freq = control<QLineEdit>("txtFreq");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        type("txtFreq", "400");
        viewer->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
        ASSERT_TRUE(source.control("fault late 30 all")); // every reply 30 ms late
        const qsizetype before = mark();

        // The operator clicks into the box while the refresh reads the source back.
        int stage = 0;
        const auto typeDigits = [&] {
            QTest::keyClicks(freq, "60");
            QTest::keyClick(freq, Qt::Key_Return);
            stage = 2;
        };
        QTimer typist;
        QObject::connect(&typist, &QTimer::timeout, [&] {
            if (stage == 0 && program().readbackInProgress) {
                freq->setFocus();
                freq->selectAll();
                if (c.confirmedDuringRefresh)
                    typeDigits();
                else
                    stage = 1;
            } else if (stage == 1 && !program().readbackInProgress) {
                typeDigits();
            }
        });
        typist.start(5);
        window->activateWindow(); // back from the bus monitor: the refresh reads the source
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return stage == 2 && !program().readbackInProgress && !program().link.state.queryInProgress &&
                       freq->text() == "60.0";
            },
            20000));
        typist.stop();
        const QStringList sent = startingWith(receivedSince(before), "freq ");
        ASSERT_TRUE(source.control("fault clear"));

        EXPECT_EQ(sent, QStringList({"FREQ 60.0"}));
        EXPECT_FLOAT_EQ(program().outputState.Frequency, 60);
        EXPECT_EQ(control<QSlider>("hscFreq")->value(), 600);
        EXPECT_EQ(program().link.Query(0, "freq?").toFloat(), 60);
        EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join("\n").toStdString();
    }
}

TEST_F(MainWindowTest, TheClippedSineGoesOutWithTheClipLevelItShows) {
    startWindow({"--model", "4"});
    QComboBox* wave = control<QComboBox>("cmbWave", 0);
    QComboBox* clip = control<QComboBox>("cmbClip", 0);
    qsizetype before = mark();
    wave->setCurrentIndex(2);
    Q_EMIT wave->activated(2);
    EXPECT_EQ(startingWith(receivedSince(before), "inst"),
              QStringList({"inst:coup none;:inst:nsel 1;:func csin", "inst:nsel 1;:func:csin 1.0 thd"}));
    EXPECT_TRUE(clip->isVisibleTo(window.get()));
    EXPECT_EQ(clip->currentText(), "1 % THD");
    EXPECT_EQ(program().outputState.Phase[0].ClipLevel, 1);

    const int five = clip->findData(5);
    clip->setCurrentIndex(five);
    before = mark();
    Q_EMIT clip->activated(five);
    EXPECT_EQ(receivedSince(before), QStringList({"inst:coup none;:inst:nsel 1;:func:csin 5.0 thd"}));

    // What the source reports is what the list shows.
    ReadBackState(program(), program().sourceModel.ModelIndex);
    window->refreshPanel();
    EXPECT_EQ(program().outputState.Phase[0].ClipLevel, 5);
    EXPECT_EQ(clip->currentText(), "5 % THD");
}

TEST_F(MainWindowTest, ModeAndPhaseCountDecideWhatThePanelOffers) {
    startSimulated(0); // a single-phase model
    showWindow();
    for (int p = 1; p < 3; ++p) {
        for (const char* label : {"lblVolt", "lblDC", "lblCurr", "lblPhase"})
            EXPECT_TRUE(control<QLabel>(label, p)->text().isEmpty()) << label << p;
        EXPECT_FALSE(control<QWidget>("cmbWave", p)->isVisibleTo(window.get())) << p;
    }
    EXPECT_EQ(control<QLabel>("lblVolt", 0)->text(), "0.0 V");

    const char* acOnly[] = {"txtFreq", "hscFreq", "txtPhsc", "hscPhase"};
    click("optMode", 1);
    ASSERT_EQ(program().outputState.OutputMode, ModeDC);
    for (const char* name : acOnly) EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(control<QWidget>("txtAmpc")->isEnabled());
    click("optMode", 0);
    for (const char* name : acOnly) EXPECT_TRUE(control<QWidget>(name)->isEnabled()) << name;
}
