#include "measure/GraphView.h"

#include <qcustomplot.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace ostrel {

namespace {

// Screen layouts are made for this many pixels per inch; other devices scale.
constexpr double kLayoutDpi = 96.0;
// Line graphs of more points than this are drawn with a fine pen.
constexpr int kFineLinePoints = 1000;
// Line graphs of up to this many points mark each point.
constexpr int kMarkedPoints = 100;
// Printed graphs are rasterised at no more than this, to bound memory.
constexpr double kMaxRasterDpi = 300.0;

bool isNull(float v) {
    return v == GraphView::kNullValue || !std::isfinite(v);
}

// The smallest label spacing that keeps `points` labels to at most `room`.
int labelStep(int points, int room) {
    static constexpr std::array<int, 14> steps{1,  2,  5,  10, 15,  20,  25,
                                               30, 45, 60, 90, 100, 180, 360};
    for (int s : steps)
        if ((points + s - 1) / s <= room) return s;
    return std::max(1, (points + room - 1) / std::max(1, room));
}

} // namespace

QColor BasicColor(int index) {
    static const std::array<QColor, 16> palette{
        QColor(0, 0, 0),       QColor(0, 0, 128),   QColor(0, 128, 0),   QColor(0, 128, 128),
        QColor(128, 0, 0),     QColor(128, 0, 128), QColor(128, 128, 0), QColor(192, 192, 192),
        QColor(128, 128, 128), QColor(0, 0, 255),   QColor(0, 192, 0),   QColor(0, 160, 192),
        QColor(224, 0, 0),     QColor(224, 0, 224), QColor(224, 192, 0), QColor(255, 255, 255)};
    return palette[static_cast<size_t>(((index % 16) + 16) % 16)];
}

int DistinctColor(int index, int other) {
    // Hues this far apart read as different colours; greys have no hue and
    // differ by lightness.
    constexpr int kMinHueDistance = 90;
    constexpr int kMinLightnessDistance = 96;
    const auto distinct = [](const QColor& a, const QColor& b) {
        if (a.hslHue() < 0 || b.hslHue() < 0) return std::abs(a.lightness() - b.lightness()) >= kMinLightnessDistance;
        const int d = std::abs(a.hslHue() - b.hslHue());
        return std::min(d, 360 - d) >= kMinHueDistance;
    };
    const QColor theirs = BasicColor(other);
    if (distinct(BasicColor(index), theirs)) return index;
    for (int candidate : {12, 9, 13})
        if (distinct(BasicColor(candidate), theirs)) return candidate;
    return index;
}

GraphView::GraphView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("plot"));
    plot_->setFocusPolicy(Qt::NoFocus);
    plot_->setMouseTracking(true);
    plot_->setSelectionRectMode(QCP::srmZoom);
    plot_->axisRect()->setRangeZoomAxes({plot_->xAxis, plot_->yAxis, plot_->yAxis2});
    plot_->installEventFilter(this);
    layout->addWidget(plot_);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 160);

    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 2);
    titleFont.setBold(true);
    titleElement_ = new QCPTextElement(plot_, QString(), titleFont);
    subtitleElement_ = new QCPTextElement(plot_, QString(), font());
    legendCell_ = new QCPLayoutGrid;
    plot_->plotLayout()->addElement(1, 0, legendCell_); // parents it to the plot
    plot_->axisRect()->insetLayout()->take(plot_->legend);
    // Empty cells either side keep the legend compact and centred.
    legendCell_->addElement(0, 0, new QCPLayoutElement(plot_));
    legendCell_->addElement(0, 1, plot_->legend);
    legendCell_->addElement(0, 2, new QCPLayoutElement(plot_));
    legendCell_->setMargins(QMargins(0, 0, 0, 4));
    plot_->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot_->legend->setColumnSpacing(24);
    plot_->legend->setBorderPen(Qt::NoPen);
    plot_->legend->setBrush(Qt::NoBrush);
    plot_->legend->setVisible(true);

    connect(plot_->selectionRect(), &QCPSelectionRect::accepted, this, [this] {
        zoomed_ = true;
        Q_EMIT zoomed();
    });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) unzoom();
    });
    reset();
    redraw();
}

void GraphView::reset() {
    title_.clear();
    subtitle_.clear();
    xTitle_.clear();
    yTitle_.clear();
    y2Title_.clear();
    deskColor_ = 15;
    graphColor_ = 15;
    textColor_ = 0;
    subsets_ = 0;
    points_ = 0;
    data_.clear();
    subsetColors_.clear();
    subsetLabels_.clear();
    onSecondAxis_.clear();
    pointLabels_.clear();
    tickLabels_.clear();
    keyStart_ = 0;
    keyStep_ = 1;
    style_ = GraphStyle::Line;
    grid_ = false;
    manualY_ = false;
    yMin_ = 0;
    yMax_ = 1;
    manualY2_ = false;
    y2Min_ = 0;
    y2Max_ = 1;
    plot_->clearPlottables();
}

void GraphView::setAxisTitles(const QString& x, const QString& y) {
    xTitle_ = x;
    yTitle_ = y;
}

void GraphView::setColors(int desk, int graph, int text) {
    deskColor_ = desk;
    graphColor_ = graph;
    textColor_ = text;
}

void GraphView::setSize(int subsets, int points) {
    subsets_ = std::max(0, subsets);
    points_ = std::max(0, points);
    data_.fill(0.0f, subsets_ * points_);
    subsetColors_.resize(subsets_);
    for (int s = 0; s < subsets_; ++s)
        subsetColors_[s] = s % 14 + 1; // neither black nor white
    subsetLabels_ = QStringList(subsets_, QString());
    onSecondAxis_.fill(false, subsets_);
}

void GraphView::setSubsetOnSecondAxis(int subset) {
    if (subset >= 0 && subset < subsets_) onSecondAxis_[subset] = true;
}

void GraphView::setManualY2Scale(double minimum, double maximum) {
    manualY2_ = true;
    y2Min_ = std::min(minimum, maximum);
    y2Max_ = std::max(minimum, maximum);
    if (y2Min_ == y2Max_) y2Max_ = y2Min_ + 1;
}

void GraphView::setSubsetColor(int subset, int paletteIndex) {
    if (subset >= 0 && subset < subsets_) subsetColors_[subset] = paletteIndex;
}

void GraphView::setSubsetLabel(int subset, const QString& label) {
    if (subset >= 0 && subset < subsets_) subsetLabels_[subset] = label;
}

void GraphView::setKeys(double start, double step) {
    keyStart_ = start;
    keyStep_ = step > 0 ? step : 1;
}

void GraphView::setManualYScale(double minimum, double maximum) {
    manualY_ = true;
    yMin_ = std::min(minimum, maximum);
    yMax_ = std::max(minimum, maximum);
    if (yMin_ == yMax_) yMax_ = yMin_ + 1;
}

bool GraphView::setYData(const QVector<float>& values) {
    if (values.size() != static_cast<qsizetype>(subsets_) * points_) return false;
    data_ = values;
    return true;
}

void GraphView::redraw() {
    rebuildLayout();
    rebuildPlottables();
    plot_->legend->setMaximumSize(plot_->legend->minimumOuterSizeHint().width(), QWIDGETSIZE_MAX);
    applyAxes();
    fullRanges();
    plot_->replot();
}

void GraphView::rebuildLayout() {
    QCPLayoutGrid* layout = plot_->plotLayout();
    for (QCPLayoutElement* e : {static_cast<QCPLayoutElement*>(titleElement_),
                                static_cast<QCPLayoutElement*>(subtitleElement_),
                                static_cast<QCPLayoutElement*>(legendCell_)})
        if (e->layout() == layout) layout->take(e);
    layout->simplify();
    const QColor text = BasicColor(textColor_);
    int row = 0;
    const auto addTitle = [&](QCPTextElement* element, const QString& t) {
        if (t.trimmed().isEmpty()) return;
        element->setText(t);
        element->setTextColor(text);
        layout->insertRow(row);
        layout->addElement(row, 0, element);
        layout->setRowStretchFactor(row, 0.001);
        ++row;
    };
    addTitle(titleElement_, title_);
    addTitle(subtitleElement_, subtitle_);
    const bool legend = std::any_of(subsetLabels_.cbegin(), subsetLabels_.cend(),
                                    [](const QString& l) { return !l.isEmpty(); });
    if (legend) {
        const int last = layout->rowCount();
        layout->insertRow(last);
        layout->addElement(last, 0, legendCell_);
        layout->setRowStretchFactor(last, 0.001);
        plot_->legend->setTextColor(text);
    }
}

void GraphView::rebuildPlottables() {
    plot_->clearPlottables();
    const double width = (pointLabels_.isEmpty() ? keyStep_ : 1.0) * 0.7;
    for (int s = 0; s < subsets_; ++s) {
        const QColor color = BasicColor(subsetColors_[s]);
        QCPAxis* valueAxis = onSecondAxis_[s] ? plot_->yAxis2 : plot_->yAxis;
        QVector<double> keys, values;
        keys.reserve(points_);
        values.reserve(points_);
        for (int p = 0; p < points_; ++p) {
            const float v = data_[s * points_ + p];
            if (style_ == GraphStyle::Bar && isNull(v)) continue;
            keys.append(keyOf(p));
            values.append(isNull(v) ? std::numeric_limits<double>::quiet_NaN() : v);
        }
        QCPAbstractPlottable* plottable = nullptr;
        if (style_ == GraphStyle::Bar) {
            auto* bars = new QCPBars(plot_->xAxis, valueAxis);
            bars->setWidth(width);
            bars->setPen(QPen(color.darker(130), 1));
            bars->setBrush(color);
            bars->setData(keys, values, true);
            plottable = bars;
        } else {
            QCPGraph* graph = plot_->addGraph(plot_->xAxis, valueAxis);
            // Wide pens are slow to stroke: long records get a fine line.
            graph->setPen(QPen(color, points_ > kFineLinePoints ? 1.0 : 1.6));
            // Few points are marked, so a lone one still shows.
            if (points_ <= kMarkedPoints)
                graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
            graph->setAdaptiveSampling(true);
            graph->setData(keys, values, true);
            plottable = graph;
        }
        plottable->setName(subsetLabels_[s]);
        if (subsetLabels_[s].isEmpty()) plottable->removeFromLegend();
    }
}

void GraphView::applyAxes() {
    const QColor text = BasicColor(textColor_);
    plot_->setBackground(BasicColor(deskColor_));
    plot_->axisRect()->setBackground(BasicColor(graphColor_));
    for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis, plot_->yAxis2}) {
        axis->setBasePen(QPen(text));
        axis->setTickPen(QPen(text));
        axis->setSubTickPen(QPen(text));
        axis->setTickLabelColor(text);
        axis->setLabelColor(text);
        axis->grid()->setVisible(grid_);
        axis->grid()->setPen(QPen(QColor(160, 160, 160), 0, Qt::DotLine));
        axis->grid()->setZeroLinePen(grid_ ? QPen(QColor(110, 110, 110), 0) : Qt::NoPen);
    }
    plot_->xAxis->setLabel(xTitle_);
    plot_->yAxis->setLabel(yTitle_);
    plot_->yAxis2->setLabel(y2Title_);
    plot_->yAxis2->setVisible(onSecondAxis_.contains(true));
    plot_->yAxis2->grid()->setVisible(false);
    // Room on the right for a label at the axis' end, which would otherwise be dropped.
    plot_->axisRect()->setMinimumMargins(tickLabels_.isEmpty() ? QMargins() : QMargins(0, 0, 24, 0));
    if (!tickLabels_.isEmpty()) {
        auto ticker = QSharedPointer<QCPAxisTickerText>::create();
        for (const auto& [point, label] : std::as_const(tickLabels_))
            ticker->addTick(keyStart_ + point * keyStep_, label);
        ticker->setSubTickCount(0);
        plot_->xAxis->setTicker(ticker);
    } else if (pointLabels_.isEmpty()) {
        plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    } else {
        applyPointLabels();
    }
}

void GraphView::applyPointLabels() {
    if (pointLabels_.isEmpty()) return;
    const QFontMetrics metrics(plot_->xAxis->tickLabelFont());
    int widest = 0;
    for (const QString& l : std::as_const(pointLabels_))
        widest = std::max(widest, metrics.horizontalAdvance(l));
    const int axisWidth = std::max(40, plot_->width() - 90);
    const int step = labelStep(points_, std::max(2, axisWidth / (widest + 14)));
    auto ticker = QSharedPointer<QCPAxisTickerText>::create();
    const int labelled = std::min<int>(points_, pointLabels_.size());
    for (int p = 0; p < labelled; ++p) {
        // Numbered labels are shown at round numbers, others at every step-th point.
        bool numeric = false;
        const int n = QString(pointLabels_[p]).remove(QChar(0x00b0)).toInt(&numeric);
        if (p == 0 || (numeric ? n % step == 0 : p % step == 0))
            ticker->addTick(p, pointLabels_[p]);
    }
    ticker->setSubTickCount(0);
    plot_->xAxis->setTicker(ticker);
}

void GraphView::fullRanges() {
    zoomed_ = false;
    const bool bars = style_ == GraphStyle::Bar;
    const double pad = bars ? (pointLabels_.isEmpty() ? keyStep_ : 1.0) * 0.5 : 0.0;
    if (points_ == 0) {
        plot_->xAxis->setRange(0, 1);
    } else if (points_ == 1 && !bars) {
        plot_->xAxis->setRange(keyOf(0) - 0.5, keyOf(0) + 0.5);
    } else {
        plot_->xAxis->setRange(keyOf(0) - pad, keyOf(points_ - 1) + pad);
    }
    fullValueRange(false);
    fullValueRange(true);
}

void GraphView::fullValueRange(bool second) {
    QCPAxis* axis = second ? plot_->yAxis2 : plot_->yAxis;
    if (second ? manualY2_ : manualY_) {
        axis->setRange(second ? y2Min_ : yMin_, second ? y2Max_ : yMax_);
        return;
    }
    const bool bars = style_ == GraphStyle::Bar;
    double lo = std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::lowest();
    for (int s = 0; s < subsets_; ++s) {
        if (onSecondAxis_[s] != second) continue;
        for (int p = 0; p < points_; ++p) {
            const float v = data_[s * points_ + p];
            if (isNull(v)) continue;
            lo = std::min<double>(lo, v);
            hi = std::max<double>(hi, v);
        }
    }
    if (lo > hi) {
        lo = 0;
        hi = 1;
    }
    if (bars) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, 0.0);
    }
    if (hi - lo < 1e-12) {
        // A flat line sits mid-height: a tenth of its value either side, or 1 around 0.
        const double span = hi != 0 ? std::abs(hi) * 0.1 : 1.0;
        lo -= span;
        hi += span;
    }
    const double margin = (hi - lo) * 0.05;
    axis->setRange(bars && lo == 0 ? 0 : lo - margin, bars && hi == 0 ? 0 : hi + margin);
}

void GraphView::unzoom() {
    fullRanges();
    plot_->replot();
    Q_EMIT unzoomed();
}

double GraphView::yMinimum() const {
    return plot_->yAxis->range().lower;
}
double GraphView::yMaximum() const {
    return plot_->yAxis->range().upper;
}
double GraphView::y2Minimum() const {
    return plot_->yAxis2->range().lower;
}
double GraphView::y2Maximum() const {
    return plot_->yAxis2->range().upper;
}

QPointF GraphView::pixelToGraph(QPoint pixel) const {
    const QPoint p = plot_->mapFrom(this, pixel);
    return {plot_->xAxis->pixelToCoord(p.x()), plot_->yAxis->pixelToCoord(p.y())};
}

QRect GraphView::plotArea() const {
    const QRect r = plot_->axisRect()->rect();
    return QRect(plot_->mapTo(this, r.topLeft()), r.size());
}

void GraphView::render(QPainter& painter, const QRect& target) const {
    const QPaintDevice* device = painter.device();
    const double dpi = device ? device->logicalDpiX() : kLayoutDpi;
    const double layoutScale = std::max(1.0, dpi / kLayoutDpi);
    const double rasterScale = std::min(layoutScale, kMaxRasterDpi / kLayoutDpi);
    const int w = std::max(1, static_cast<int>(target.width() / layoutScale));
    const int h = std::max(1, static_cast<int>(target.height() / layoutScale));
    const QPixmap picture = plot_->toPixmap(w, h, rasterScale);
    painter.drawPixmap(target, picture);
    plot_->replot();
}

bool GraphView::exportPng(const QString& path, int width, int height) const {
    const QPixmap picture = plot_->toPixmap(width, height, 1.0);
    plot_->replot();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!picture.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool GraphView::exportPdf(const QString& path, int width, int height) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    bool drawn = false;
    {
        QPdfWriter writer(&file);
        writer.setResolution(static_cast<int>(kLayoutDpi));
        writer.setPageLayout(QPageLayout(
            QPageSize(QSizeF(width, height), QPageSize::Point, QString(), QPageSize::ExactMatch),
            QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QCPPainter painter;
        if (painter.begin(&writer)) {
            painter.setMode(QCPPainter::pmVectorized);
            painter.setMode(QCPPainter::pmNoCaching);
            painter.setWindow(0, 0, width, height);
            plot_->toPainter(&painter, width, height);
            painter.end();
            drawn = true;
        }
    }
    plot_->replot();
    if (!drawn) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool GraphView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_) return QWidget::eventFilter(watched, event);
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pos = plot_->mapTo(this, mouse->position().toPoint());
    lastMouse_ = pos;
    const bool right = mouse->button() == Qt::RightButton ||
                       (type == QEvent::MouseMove && (mouse->buttons() & Qt::RightButton));
    if (!right) {
        if (type == QEvent::MouseMove) Q_EMIT mouseMoved(pos);
        return false;
    }
    if (type == QEvent::MouseButtonPress) Q_EMIT drawPressed(pos);
    if (type == QEvent::MouseMove) Q_EMIT drawMoved(pos);
    if (type == QEvent::MouseButtonRelease) Q_EMIT drawReleased(pos);
    return true;
}

void GraphView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Z) {
        unzoom();
        return;
    }
    QWidget::keyPressEvent(event);
}

void GraphView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!pointLabels_.isEmpty()) {
        applyPointLabels();
        plot_->replot(QCustomPlot::rpQueuedReplot);
    }
}

} // namespace ostrel
