#include "measure/GraphView.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class GraphViewTest : public ::testing::Test {
protected:
    GraphView graph;
    QTemporaryDir dir;

    GraphViewTest() {
        graph.resize(640, 400);
        graph.show();
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* plot = graph.findChild<QWidget*>(QStringLiteral("plot"));
        ASSERT_NE(plot, nullptr);
        const QPointF local = plot->mapFrom(&graph, at);
        QMouseEvent e(type, local, plot->mapToGlobal(local), button, held, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    }
};

TEST_F(GraphViewTest, DataIsSubsetMajorAndAWrongCountChangesNothing) {
    graph.setSize(2, 3);
    ASSERT_TRUE(graph.setYData({1, 2, 3, 10, 20, 30}));
    EXPECT_FLOAT_EQ(graph.value(0, 2), 3);
    EXPECT_FLOAT_EQ(graph.value(1, 0), 10);
    EXPECT_FALSE(graph.setYData({1, 2, 3}));
    EXPECT_FLOAT_EQ(graph.value(1, 2), 30);
}

TEST_F(GraphViewTest, AutomaticScaleIgnoresNullPointsAndBarsStandOnZero) {
    struct Case {
        GraphStyle style;
        double low; // expected y range bounds (inclusive checks)
        double high;
    };
    for (const Case c : {Case{GraphStyle::Line, 4.0, 11.0}, Case{GraphStyle::Bar, 0.0, 11.0}}) {
        graph.reset();
        graph.setSize(1, 4);
        graph.setStyle(c.style);
        ASSERT_TRUE(graph.setYData({5, GraphView::kNullValue, 10, 7}));
        graph.redraw();
        EXPECT_LE(graph.yMinimum(), 5);
        EXPECT_GE(graph.yMinimum(), c.low);
        EXPECT_GE(graph.yMaximum(), 10);
        EXPECT_LE(graph.yMaximum(), c.high);
    }
}

TEST_F(GraphViewTest, ASubsetOnTheSecondAxisIsScaledOnItsOwn) {
    graph.setSize(2, 3);
    graph.setSubsetOnSecondAxis(1);
    ASSERT_TRUE(graph.setYData({-170, 0, 170, -2, 0, 2}));
    graph.redraw();
    EXPECT_LE(graph.yMinimum(), -170);
    EXPECT_GE(graph.yMaximum(), 170);
    EXPECT_LE(graph.y2Minimum(), -2);
    EXPECT_GE(graph.y2Maximum(), 2);
    EXPECT_LT(graph.y2Maximum(), 3);
}

TEST_F(GraphViewTest, PixelsOfThePlotAreaMapToTheManualScale) {
    graph.setSize(1, 101);
    graph.setKeys(0, 0.5); // 0 .. 50
    graph.setManualYScale(-200, 300);
    graph.setTitle("Phase A Voltage");
    graph.setAxisTitles("Time (ms)", "Volts");
    graph.redraw();
    const QRect area = graph.plotArea();
    ASSERT_FALSE(area.isEmpty());
    const QPointF topLeft = graph.pixelToGraph(area.topLeft());
    const QPointF bottomRight = graph.pixelToGraph(area.bottomRight());
    EXPECT_NEAR(topLeft.x(), 0, 0.5);
    EXPECT_NEAR(topLeft.y(), 300, 5);
    EXPECT_NEAR(bottomRight.x(), 50, 0.5);
    EXPECT_NEAR(bottomRight.y(), -200, 5);
}

TEST_F(GraphViewTest, LeftDragZoomsZUnzoomsAndTheRightButtonDrawsWithoutZooming) {
    graph.setSize(1, 10);
    graph.setManualYScale(0, 100);
    graph.redraw();
    int zoomed = 0, unzoomed = 0, drawn = 0;
    QObject::connect(&graph, &GraphView::zoomed, [&] { ++zoomed; });
    QObject::connect(&graph, &GraphView::unzoomed, [&] { ++unzoomed; });
    QObject::connect(&graph, &GraphView::drawMoved, [&] { ++drawn; });
    const QRect area = graph.plotArea();
    const QPoint a = area.center() - QPoint(60, 40);
    const QPoint b = area.center() + QPoint(60, 40);

    mouse(QEvent::MouseButtonPress, a, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, b, Qt::NoButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, b, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(graph.lastMousePosition(), b);
    EXPECT_FALSE(graph.isZoomed());
    EXPECT_DOUBLE_EQ(graph.yMaximum(), 100);

    mouse(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(zoomed, 1);
    EXPECT_TRUE(graph.isZoomed());
    EXPECT_LT(graph.yMaximum(), 100);

    QKeyEvent z(QEvent::KeyPress, Qt::Key_Z, Qt::NoModifier, QStringLiteral("z"));
    QApplication::sendEvent(&graph, &z);
    EXPECT_EQ(unzoomed, 1);
    EXPECT_FALSE(graph.isZoomed());
    EXPECT_DOUBLE_EQ(graph.yMaximum(), 100);
}

TEST_F(GraphViewTest, ExportsWholeFilesOrNothing) {
    graph.setSize(2, 50);
    graph.setStyle(GraphStyle::Bar);
    graph.setSubsetLabel(0, "Odd Harmonics");
    graph.setSubsetLabel(1, "Even Harmonics");
    graph.redraw();

    const QString png = dir.filePath("graph.png");
    ASSERT_TRUE(graph.exportPng(png, 800, 500));
    EXPECT_EQ(QImage(png).size(), QSize(800, 500));

    const QString pdf = dir.filePath("graph.pdf");
    ASSERT_TRUE(graph.exportPdf(pdf, 800, 500));
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("%PDF"));

    const QString nowhere = dir.filePath("missing-folder/graph.png");
    EXPECT_FALSE(graph.exportPng(nowhere, 800, 500));
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST(BasicColor, PaletteEndsAreBlackAndWhiteAndIndexesWrap) {
    EXPECT_EQ(BasicColor(0), QColor(Qt::black));
    EXPECT_EQ(BasicColor(15), QColor(Qt::white));
    EXPECT_EQ(BasicColor(16), BasicColor(0));
    EXPECT_EQ(BasicColor(-1), BasicColor(15));
}

} // namespace
