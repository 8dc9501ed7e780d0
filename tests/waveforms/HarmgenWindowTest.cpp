// The harmonic waveform window driven by its controls' names against the
// virtual source, and the source's own harmonic analysis of what it plays.
#include "WaveformFixture.h"

#include "core/Program.h"
#include "waveforms/AbwFile.h"
#include "waveforms/HarmonicTableFile.h"
#include "waveforms/frmHarmgen.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kAllZero =
    QStringLiteral("All harmonic amplitudes are zero.\r\n"
                   "Enter at least one amplitude before saving or transferring.");

std::vector<double> numbers(const QString& reply) {
    std::vector<double> v;
    for (const QString& f : reply.split(QLatin1Char(','), Qt::SkipEmptyParts))
        v.push_back(f.toDouble());
    return v;
}

double degreesApart(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0));
}

class HarmgenWindow : public WaveformFixture {
protected:
    std::unique_ptr<frmHarmgen> open() {
        auto w = std::make_unique<frmHarmgen>(program());
        w->show();
        return w;
    }
    template <class W> static W* control(QWidget* w, const char* name) {
        W* c = w->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void click(QWidget* w, const char* name) {
        auto* b = control<QAbstractButton>(w, name);
        ASSERT_TRUE(b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Types a cell as the operator does: harmonic h, column 1 amplitude, 2 phase.
    static void cell(QWidget* w, int h, int column, const QString& text) {
        auto* grid = control<QTableWidget>(w, h % 2 ? "grdOdd" : "grdEven");
        grid->item((h - 1) / 2, column)->setText(text);
    }
    QStringList dataLines() {
        return received().filter(QRegularExpression(QStringLiteral("^trac:data ")));
    }
};

TEST_F(HarmgenWindow, TransferredTableIsPlayedWithItsHarmonics) {
    connectSource();
    auto w = open();
    cell(w.get(), 3, 1, QStringLiteral("20"));
    cell(w.get(), 3, 2, QStringLiteral("180"));
    cell(w.get(), 5, 1, QStringLiteral("10"));
    cell(w.get(), 5, 2, QStringLiteral("30"));
    prompt().type(QStringLiteral("harmonicwave_long"));
    // During the pause after the download the transfer holds the window.
    bool heldDuringPause = false;
    QTimer::singleShot(300, w.get(), [&] {
        heldDuringPause = program().waveformTransferInProgress &&
                          !control<QAbstractButton>(w.get(), "cmdTransfer")->isEnabled() &&
                          !control<QAbstractButton>(w.get(), "cmdOk")->isEnabled();
    });
    click(w.get(), "cmdTransfer");
    EXPECT_TRUE(heldDuringPause);
    EXPECT_TRUE(control<QAbstractButton>(w.get(), "cmdTransfer")->isEnabled());
    const QList<PromptCall>& calls = prompt().calls();
    const auto input = std::find_if(calls.begin(), calls.end(), [](const PromptCall& c) {
        return c.kind == PromptCall::TextInput;
    });
    ASSERT_NE(input, calls.end());
    EXPECT_EQ(input->title, QStringLiteral("Transfer as..."));
    EXPECT_EQ(input->text, QStringLiteral("Waveform name:"));
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^HARM([0-9]|1[0-9])$")).match(input->initial).hasMatch())
        << input->initial.toStdString();
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('|').toStdString();
    EXPECT_EQ(control<QComboBox>(w.get(), "cmbWaveform")->itemText(0),
              QStringLiteral("HARMONICWAVE"));
    EXPECT_FALSE(program().waveformTransferInProgress);

    program().link.Send(0, QStringLiteral("outp 1;:func harmonicwave;:volt 120;:freq 60"));
    const std::vector<double> a = numbers(query(QStringLiteral("meas:arr:volt:harm?")));
    const std::vector<double> phase = numbers(query(QStringLiteral("fetch:arr:volt:harm:phas?")));
    ASSERT_EQ(a.size(), 51u);
    ASSERT_EQ(phase.size(), 51u);
    EXPECT_NEAR(a[3] / a[1], 0.200, 0.001);
    EXPECT_NEAR(a[5] / a[1], 0.100, 0.001);
    for (int h = 2; h <= 50; ++h)
        if (h != 3 && h != 5) {
            EXPECT_LT(a[h] / a[1], 0.001) << h;
        }
    EXPECT_LT(degreesApart(phase[3], 180), 0.5) << phase[3];
    EXPECT_LT(degreesApart(phase[5], 30), 0.5) << phase[5];
    EXPECT_NEAR(query(QStringLiteral("meas:volt:harm:thd?")).toDouble(), 22.36, 0.05);
}

TEST_F(HarmgenWindow, AnOpenedTableGoesUnderItsFileNameWithoutAsking) {
    connectSource();
    HarmonicTable t = NewHarmonicTable();
    t[1].oddAmplitude = QStringLiteral("20");
    const QString path = fixture.tempPath(QStringLiteral("harm3.hwv"));
    QString error;
    ASSERT_TRUE(WriteHarmonicTableFile(path, t, QLatin1Char('.'), error));
    auto w = open();
    prompt().chooseFile(path);
    click(w.get(), "cmdLoad");
    EXPECT_EQ(w->waveformName(), QStringLiteral("HARM3"));
    click(w.get(), "cmdTransfer");
    EXPECT_EQ(dataLines().size(), 1);
    EXPECT_TRUE(dataLines().value(0).startsWith(QStringLiteral("trac:data HARM3,")));

    // A file name the rule refuses is never sent.
    const QString spaced = fixture.tempPath(QStringLiteral("my wave.hwv"));
    ASSERT_TRUE(WriteHarmonicTableFile(spaced, t, QLatin1Char('.'), error));
    prompt().chooseFile(spaced);
    click(w.get(), "cmdLoad");
    prompt().clear();
    click(w.get(), "cmdTransfer");
    EXPECT_EQ(
        prompt().messages(),
        QStringList{QStringLiteral("Waveform name may hold only letters A-Z, digits 0-9 and _\r\n"
                                   "Transfer of MY WAVE cancelled.")});
    EXPECT_EQ(dataLines().size(), 1);
}

TEST_F(HarmgenWindow, LimitCheckFollowsTheArbRestrictionSetting) {
    for (const bool restricted : {false, true}) {
        SCOPED_TRACE(restricted);
        source.stop();
        connectSource();
        program().settings.protection.arbRestriction = restricted ? 1 : 0;
        prompt().clear();
        auto w = open();
        EXPECT_EQ(received().contains(QStringLiteral("trac:lim off")), restricted);
        cell(w.get(), 2, 1, QStringLiteral("20"));
        cell(w.get(), 2, 2, QStringLiteral("90"));
        prompt().type(QStringLiteral("second"));
        click(w.get(), "cmdTransfer");
        const std::vector<double> held = registerSamples(QStringLiteral("SECOND"));
        if (!restricted) {
            ASSERT_EQ(prompt().messages().size(), 1);
            EXPECT_TRUE(prompt().messages()[0].startsWith(
                QStringLiteral("Waveform download resulted in following error:\r\n-222,")))
                << prompt().messages()[0].toStdString();
            EXPECT_TRUE(std::all_of(held.begin(), held.end(), [](double v) {
            return v == 0; }));
        } else {
            EXPECT_TRUE(prompt().messages().isEmpty());
            ASSERT_EQ(held.size(), 1024u);
            for (int k : {0, 256, 768})
                EXPECT_NEAR(held[k], w->synthesis().d[k], 1e-4) << k;
            EXPECT_NEAR(held[768], -1.2, 1e-4);
        }
    }
}

TEST_F(HarmgenWindow, SaveAsWritesBothFilesOrNeitherAndTheTableComesBack) {
    auto w = open();
    cell(w.get(), 2, 1, QStringLiteral("20"));
    cell(w.get(), 2, 2, QStringLiteral("90"));
    const QString table = fixture.tempPath(QStringLiteral("shape.hwv"));
    const QString wave = fixture.tempPath(QStringLiteral("shape.abw"));
    {
        QFile handMade(wave);
        ASSERT_TRUE(handMade.open(QIODevice::WriteOnly));
        handMade.write("\"hand\",\" \"\r\n0,0.5\r\n");
    }
    prompt().chooseFile(fixture.tempPath(QStringLiteral("shape")));
    prompt().answer(PromptAnswer::No);
    click(w.get(), "cmdSaveAs");
    EXPECT_EQ(prompt().questions(),
              QStringList{QStringLiteral("shape.abw\r\nFile specified already exists.\r\n"
                                         "Do you want to overwrite this file?")});
    EXPECT_FALSE(QFile::exists(table));
    QString error;
    EXPECT_EQ((*ReadAbwFile(wave, error))[0], 0.5) << "the hand-made file is kept";

    prompt().chooseFile(table);
    prompt().answer(PromptAnswer::Yes);
    click(w.get(), "cmdSaveAs");
    const auto samples = ReadAbwFile(wave, error);
    ASSERT_TRUE(samples) << error.toStdString();
    EXPECT_NEAR((*samples)[0], 0.4, 1e-6);
    EXPECT_NEAR((*samples)[256], 1.0, 1e-6);
    EXPECT_NEAR((*samples)[768], -1.0, 1e-6);
    EXPECT_EQ(w->waveformName(), QStringLiteral("SHAPE"));

    click(w.get(), "cmdOk");
    EXPECT_TRUE(QFile::exists(program().paths.userFile(QStringLiteral("lastsave.$$$"))));
    auto again = open();
    EXPECT_EQ(again->table()[0].evenAmplitude, QStringLiteral("20"));
    EXPECT_EQ(again->table()[0].evenPhase, QStringLiteral("90"));
    EXPECT_EQ(again->waveformName(), QStringLiteral("LASTSAVE"));
}

TEST_F(HarmgenWindow, AnAllZeroTableIsNeitherSavedNorSent) {
    connectSource();
    auto w = open();
    cell(w.get(), 1, 1, QStringLiteral("0"));
    prompt().clear();
    click(w.get(), "cmdTransfer");
    click(w.get(), "cmdSaveAs");
    EXPECT_EQ(prompt().messages(), QStringList({kAllZero, kAllZero}));
    EXPECT_TRUE(dataLines().isEmpty());
    EXPECT_TRUE(std::all_of(w->synthesis().y.begin(), w->synthesis().y.end(),
                            [](float v) { return v == 0; }));

    prompt().answer(PromptAnswer::Yes);
    click(w.get(), "cmdClear");
    EXPECT_EQ(w->table()[0].oddAmplitude, QStringLiteral("100"));
}

TEST_F(HarmgenWindow, AutoPreviewFollowsEveryEditInTheShownSeparator) {
    program().decimalSeparator = QLatin1Char(',');
    auto w = open();
    auto* autoPreview = control<QCheckBox>(w.get(), "chkAutoPreview");
    autoPreview->setChecked(true);
    EXPECT_FALSE(control<QAbstractButton>(w.get(), "cmdPreview")->isEnabled());
    cell(w.get(), 2, 1, QStringLiteral("12,5"));
    cell(w.get(), 2, 2, QStringLiteral("90"));
    EXPECT_NEAR(w->synthesis().rawMax, 1 - 0.125, 1e-6);
    EXPECT_NEAR(w->synthesis().rawMin, -1.125, 1e-6);

    // An edit that arrives while a synthesis runs is synthesised after it.
    QTimer::singleShot(0, w.get(), [&] { cell(w.get(), 3, 1, QStringLiteral("30")); });
    cell(w.get(), 2, 1, QStringLiteral("0"));
    const Synthesis expected = Synthesise({{1, 100, 0}, {3, 30, 0}}, w->peakScale());
    for (int k = 0; k < kSynthesisSamples; k += 64)
        ASSERT_NEAR(w->synthesis().y[k], expected.y[k], 1e-4) << k;

    // A damaged lastsave.$$$ is reported and a new table shown.
    QFile damaged(program().paths.userFile(QStringLiteral("lastsave.$$$")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\"100\",\"x\"\r\n");
    damaged.close();
    prompt().clear();
    auto fresh = open();
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].contains(QStringLiteral("lastsave.$$$, line 1:")));
    EXPECT_EQ(fresh->table()[0].oddAmplitude, QStringLiteral("100"));
}

} // namespace
