// The arbitrary waveform window and the tools that fill the buffer, driven by
// their controls' names; the capture upload from a record the source took.
#include "WaveformFixture.h"

#include "core/Program.h"
#include "measure/Capture.h"
#include "measure/CaptureFile.h"
#include "measure/GraphView.h"
#include "measure/ProgramIo.h"
#include "waveforms/AbwFile.h"
#include "waveforms/Synthesis.h"
#include "waveforms/frmArb.h"
#include "waveforms/frmDSOmdl.h"
#include "waveforms/frmEdit.h"
#include "waveforms/frmHarmgen.h"
#include "waveforms/frmLibrary.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

#include <cmath>
#include <memory>

using namespace ostrel;
using namespace ostrel::test;

namespace {

template <class W> W* control(QWidget* w, const char* name, int index = -1) {
    for (W* c : w->findChildren<W*>(QString::fromLatin1(name)))
        if (index < 0 || c->property("index").toInt() == index) return c;
    ADD_FAILURE() << "no control " << name;
    return nullptr;
}

void click(QWidget* w, const char* name, int index = -1) {
    auto* b = control<QAbstractButton>(w, name, index);
    ASSERT_TRUE(b && b->isEnabled()) << name;
    QTest::mouseClick(b, Qt::LeftButton);
}

class ArbWindow : public WaveformFixture {
protected:
    std::unique_ptr<frmArb> open() {
        auto w = std::make_unique<frmArb>(program());
        w->resize(1100, 700);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }
    // The pixel nearest to a graph position (x sample index, y volts).
    static QPoint pixelAt(GraphView* g, QPointF target) {
        const QPointF origin = g->pixelToGraph(QPoint(0, 0));
        const QPointF step = g->pixelToGraph(QPoint(100, 100)) - origin;
        return QPoint(int(std::lround((target.x() - origin.x()) / step.x() * 100)),
                      int(std::lround((target.y() - origin.y()) / step.y() * 100)));
    }
    float sample(int k) { return program().waveform.samples[size_t(k)]; }
};

TEST_F(ArbWindow, RightButtonDrawsStraightLinesWithinFullScale) {
    auto w = open();
    GraphView* g = w->graph();
    const double vpk = w->peakScale();
    const QPoint a = pixelAt(g, {100.5, 50});
    const QPoint b = pixelAt(g, {140.5, 90});
    const QPointF ga = g->pixelToGraph(a), gb = g->pixelToGraph(b);
    const int ia = int(std::floor(ga.x())), ib = int(std::floor(gb.x()));
    ASSERT_LT(ia, ib);
    emit g->drawPressed(a);
    emit g->drawMoved(a); // a move within one index
    emit g->drawMoved(b);
    emit g->drawReleased(b);
    EXPECT_NEAR(sample(ia), ga.y() / vpk, 1e-6);
    EXPECT_NEAR(sample(ib), gb.y() / vpk, 1e-6);
    const int mid = (ia + ib) / 2;
    EXPECT_NEAR(sample(mid), (ga.y() + (gb.y() - ga.y()) * (mid - ia) / (ib - ia)) / vpk, 1e-6);
    EXPECT_NEAR(g->value(0, ib), gb.y(), 1e-3) << "redrawn from the buffer on release";

    // Above full scale nothing starts and nothing is drawn.
    const auto before = program().waveform.samples;
    const QPoint high = pixelAt(g, {300, vpk * 1.03});
    ASSERT_GT(g->pixelToGraph(high).y(), vpk);
    emit g->drawPressed(high);
    emit g->drawMoved(pixelAt(g, {320, 0}));
    emit g->drawReleased(pixelAt(g, {320, 0}));
    EXPECT_EQ(program().waveform.samples, before);
    for (float v : program().waveform.samples)
        ASSERT_TRUE(std::isfinite(v) && std::abs(v) <= 1);

    // The buffer outlives the window.
    w.reset();
    auto again = open();
    EXPECT_NEAR(again->graph()->value(0, ib), gb.y(), 1e-3);
}

TEST_F(ArbWindow, AHarmonicWindowFileOpensUnchangedAndTransfersUnderItsName) {
    connectSource();
    {
        frmHarmgen harmonics(program());
        harmonics.findChild<QTableWidget*>("grdEven")->item(0, 1)->setText("20");
        harmonics.findChild<QTableWidget*>("grdEven")->item(0, 2)->setText("90");
        prompt().chooseFile(fixture.tempPath("edge.hwv"));
        click(&harmonics, "cmdSaveAs");
    }
    QString error;
    const auto file = ReadAbwFile(fixture.tempPath("edge.abw"), error);
    ASSERT_TRUE(file) << error.toStdString();
    auto w = open();
    prompt().chooseFile(fixture.tempPath("edge.abw"));
    click(w.get(), "cmdLoad");
    for (int k = 0; k < kWaveformPeriod; ++k)
        ASSERT_EQ(sample(k), float((*file)[k])) << k;
    EXPECT_EQ(program().waveform.name, QStringLiteral("EDGE"));

    click(w.get(), "cmdTransfer"); // a name from a file: no question
    const std::vector<double> held = registerSamples(QStringLiteral("EDGE"));
    ASSERT_EQ(held.size(), 1024u);
    EXPECT_NEAR(held[256], 1.0, 1e-4);
    EXPECT_NEAR(held[768], -1.0, 1e-4);

    program().waveform.name.clear();
    prompt().type(QStringLiteral("arbone"));
    click(w.get(), "cmdTransfer");
    const PromptCall& asked =
        prompt().calls().back().kind == PromptCall::TextInput
            ? prompt().calls().back()
            : *std::find_if(prompt().calls().begin(), prompt().calls().end(),
                            [](const PromptCall& c) { return c.kind == PromptCall::TextInput; });
    EXPECT_TRUE(QRegularExpression("^ARBW([0-9]|1[0-9])$").match(asked.initial).hasMatch());
    EXPECT_EQ(registerSamples(QStringLiteral("ARBONE")).size(), 1024u);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('|').toStdString();
}

TEST_F(ArbWindow, PointEditorReadsVoltsAndLeavesUntouchedSamples) {
    program().waveform.samples[3] = 0.123456f;
    const double vpk = std::sqrt(2.0) * 150;
    {
        frmEdit editor(program());
        auto* grid = control<QTableWidget>(&editor, "grdEdit");
        ASSERT_EQ(grid->rowCount(), 1024);
        EXPECT_EQ(grid->item(3, 0)->text(), QStringLiteral("26.189"));
        click(&editor, "cmdOk");
        EXPECT_EQ(sample(3), 0.123456f) << "OK without edits changes nothing";
    }
    frmEdit editor(program());
    auto* grid = control<QTableWidget>(&editor, "grdEdit");
    grid->item(0, 0)->setText("100");
    grid->item(1, 0)->setText(QString::number(2 * vpk));
    grid->item(7, 0)->setText("12 V");
    click(&editor, "cmdOk");
    EXPECT_EQ(prompt().messages(),
              QStringList{"Found Data Entry Error at Position 7Please Correct."});
    EXPECT_EQ(sample(0), 0) << "nothing stored while a cell is wrong";
    grid->item(7, 0)->setText("-20");
    click(&editor, "cmdOk");
    EXPECT_NEAR(sample(0), 0.471405, 1e-6);
    EXPECT_EQ(sample(1), 1.0f);
    EXPECT_NEAR(sample(7), -20 / vpk, 1e-6);
    EXPECT_EQ(sample(3), 0.123456f);
}

TEST_F(ArbWindow, FunctionLibraryWritesTheChosenShape) {
    program().waveform.samples.fill(0.5f);
    frmLibrary shapes(program());
    control<QAbstractButton>(&shapes, "optStd", 5)->setChecked(true);
    control<QLineEdit>(&shapes, "txtAngle")->setText("90");
    control<QLineEdit>(&shapes, "txtWidth")->setText("90");
    control<QLineEdit>(&shapes, "txtLevel")->setText("100");
    click(&shapes, "cmdOk");
    for (int k = 0; k < 1024; ++k)
        ASSERT_EQ(sample(k), k >= 256 && k <= 512 ? 1.0f : 0.5f) << k;
}

TEST_F(ArbWindow, CaptureUploadImportsThePlayedRegister) {
    connectSource();
    const Synthesis s = Synthesise({{1, 100, 0}, {3, 20, 180}, {5, 10, 30}}, std::sqrt(2.0) * 150);
    program().link.Send(0, "trac:lim off");
    QString wave = "trac:def PLAYED";
    program().link.Send(0, wave);
    QStringList values;
    for (float v : s.d)
        values << QString::number(v, 'f', 6);
    program().link.Send(0, "trac:data PLAYED," + values.join(','));
    program().link.Send(0, "outp 1;:func played;:volt 120;:freq 60");

    AcquisitionRequest request;
    request.parameter = CaptureParameterNames(0).value(0);
    request.intervalChanged = true;
    request.intervalSeconds = 10e-6;
    ProgramIo io(program());
    const AcquisitionResult taken = RunAcquisition(request, io, {}, "now");
    ASSERT_TRUE(taken.ok);
    ASSERT_NEAR(taken.capture.intervalUs, 10, 1e-3);
    const QString record = fixture.tempPath("played.wfd");
    QString error;
    ASSERT_TRUE(WriteCaptureFile(record, taken.capture, error)) << error.toStdString();

    frmDSOmdl upload(program());
    ASSERT_TRUE(upload.openRecord(record));
    control<QLineEdit>(&upload, "txtFreq")->setText("60");
    click(&upload, "cmdOk");
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('|').toStdString();
    double mean = 0, peak = 0;
    for (float v : s.d)
        mean += v / 1024.0;
    for (float v : s.d)
        peak = std::max(peak, std::abs(v - mean));
    for (int k = 0; k < 1024; ++k)
        ASSERT_NEAR(sample(k), (s.d[k] - mean) / peak, 0.005) << k;

    // A record of 1000 Hz taken every 10 ms holds no usable period.
    Capture slow = taken.capture;
    slow.intervalUs = 10000;
    const QString coarse = fixture.tempPath("coarse.wfd");
    ASSERT_TRUE(WriteCaptureFile(coarse, slow, error));
    ASSERT_TRUE(upload.openRecord(coarse));
    control<QLineEdit>(&upload, "txtFreq")->setText("1000");
    const auto before = program().waveform.samples;
    click(&upload, "cmdOk");
    EXPECT_EQ(prompt().messages(),
              QStringList{coarse + "\r\ndoes not hold one whole period of 1000 Hz with at "
                                   "least 64 samples."});
    EXPECT_EQ(program().waveform.samples, before);
}

} // namespace
