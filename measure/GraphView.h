#pragma once
// The graph display component: every graph in the program is one of these.
// A graph holds `subsets` series of `points` values each, passed as one flat
// subset-major array (subset s, point p at s * points + p). Windows use it in
// one order: reset, configure, set the data, redraw.
//
// Left mouse drags a zoom rectangle; "Z" or a double click unzooms. The right
// button never zooms: its presses and drags are reported for drawing.
#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QCustomPlot;
class QCPLayoutGrid;
class QCPTextElement;
class QPainter;

namespace ostrel {

// The 16-colour basic palette: 0 black ... 15 white. Out-of-range indexes wrap.
QColor BasicColor(int index);
// `index`, or, when its colour is hard to tell from `other`'s beside it on
// one graph, the first of red, blue and magenta that is not.
int DistinctColor(int index, int other);

enum class GraphStyle { Line, Bar };

class GraphView : public QWidget {
    Q_OBJECT
public:
    // A point holding this value is not drawn.
    static constexpr float kNullValue = -999999.0f;

    explicit GraphView(QWidget* parent = nullptr);

    // Forgets all data and settings.
    void reset();

    void setTitle(const QString& text) { title_ = text; }
    void setSubtitle(const QString& text) { subtitle_ = text; }
    void setAxisTitles(const QString& x, const QString& y);
    // Desk (around the plot), graph (plot area) and text colours, as palette indexes.
    void setColors(int desk, int graph, int text);
    void setSize(int subsets, int points);
    void setSubsetColor(int subset, int paletteIndex);
    void setSubsetLabel(int subset, const QString& label);
    // One label per point index on the x axis; empty for a numeric axis.
    void setPointLabels(const QStringList& labels) { pointLabels_ = labels; }
    // Labels at chosen points of a numeric axis, every one shown ("0°" at
    // point 0 ... "360°" at the last of 1024).
    void setTickLabels(const QList<QPair<double, QString>>& ticks) { tickLabels_ = ticks; }
    // The x value of point p is start + p * step (numeric axis only).
    void setKeys(double start, double step);
    void setStyle(GraphStyle style) { style_ = style; }
    void setGrid(bool on) { grid_ = on; }
    void setManualYScale(double minimum, double maximum);
    void setAutoYScale() { manualY_ = false; }
    // A subset on the second y axis (right) is scaled on its own: a quantity
    // of another unit beside the first.
    void setSubsetOnSecondAxis(int subset);
    void setSecondAxisTitle(const QString& title) { y2Title_ = title; }
    void setManualY2Scale(double minimum, double maximum);
    // False, and nothing changes, unless values.size() == subsets * points.
    bool setYData(const QVector<float>& values);
    // Applies everything set since the last redraw and repaints.
    void redraw();

    int subsetCount() const { return subsets_; }
    int pointCount() const { return points_; }
    float value(int subset, int point) const { return data_.value(subset * points_ + point); }
    QString title() const { return title_; }
    QString xTitle() const { return xTitle_; }
    QString yTitle() const { return yTitle_; }
    QString subtitle() const { return subtitle_; }
    QString subsetLabel(int subset) const { return subsetLabels_.value(subset); }
    QColor subsetColor(int subset) const { return BasicColor(subsetColors_.value(subset)); }
    bool isZoomed() const { return zoomed_; }
    // The y ranges on screen after the last redraw.
    double yMinimum() const;
    double yMaximum() const;
    double y2Minimum() const;
    double y2Maximum() const;

    // The last mouse position over the graph, in pixels of this widget.
    QPoint lastMousePosition() const { return lastMouse_; }
    // A pixel position of this widget in graph coordinates (x, first y axis).
    QPointF pixelToGraph(QPoint pixel) const;
    // The plotting area inside the axes, in pixels of this widget.
    QRect plotArea() const;

    // Draws the graph into `target` of any painter (printer, image, PDF).
    void render(QPainter& painter, const QRect& target) const;
    // Written whole or not at all; false on failure.
    bool exportPng(const QString& path, int width, int height) const;
    bool exportPdf(const QString& path, int width, int height) const;

    void unzoom();

Q_SIGNALS:
    void zoomed();
    void unzoomed();
    void mouseMoved(QPoint pixel);
    // Right button: press and drag, for drawing on the graph.
    void drawPressed(QPoint pixel);
    void drawMoved(QPoint pixel);
    void drawReleased(QPoint pixel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    double keyOf(int point) const {
        return pointLabels_.isEmpty() ? keyStart_ + point * keyStep_ : point;
    }
    void rebuildLayout();
    void rebuildPlottables();
    void applyAxes();
    void applyPointLabels();
    void fullRanges();
    void fullValueRange(bool second);

    QCustomPlot* plot_ = nullptr;
    QCPTextElement* titleElement_ = nullptr;
    QCPTextElement* subtitleElement_ = nullptr;
    QCPLayoutGrid* legendCell_ = nullptr;

    QString title_;
    QString subtitle_;
    QString xTitle_;
    QString yTitle_;
    QString y2Title_;
    int deskColor_ = 15;
    int graphColor_ = 15;
    int textColor_ = 0;
    int subsets_ = 0;
    int points_ = 0;
    QVector<float> data_;
    QVector<int> subsetColors_;
    QStringList subsetLabels_;
    QVector<bool> onSecondAxis_;
    QStringList pointLabels_;
    QList<QPair<double, QString>> tickLabels_;
    double keyStart_ = 0;
    double keyStep_ = 1;
    GraphStyle style_ = GraphStyle::Line;
    bool grid_ = false;
    bool manualY_ = false;
    double yMin_ = 0;
    double yMax_ = 1;
    bool manualY2_ = false;
    double y2Min_ = 0;
    double y2Max_ = 1;
    bool zoomed_ = false;
    QPoint lastMouse_;
};

} // namespace ostrel
