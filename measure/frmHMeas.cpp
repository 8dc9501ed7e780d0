#include "measure/frmHMeas.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Waits.h"
#include "measure/GraphView.h"
#include "measure/HarmonicFile.h"
#include "measure/MeasurementLog.h"
#include "measure/StandardMeasurement.h"
#include "measure/WindowParts.h"
#include "measure/frmLogger.h"
#include "measure/frmMSGraphSetup.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace ostrel {

namespace {

enum GraphKind { BarAbsolute = 0, BarRelative, TimeDomainView, TableView };
constexpr int kBarPoints = kHarmonicRows - 1; // the fundamental and harmonics 2..50

QTableWidget* harmonicTable(QWidget* parent, const QString& name) {
    auto* t = Named(new QTableWidget(kBarPoints / 2, 4, parent), name);
    t->setHorizontalHeaderLabels({QStringLiteral("Harmonic"), QStringLiteral("Amplitude"),
                                  QStringLiteral("% of Fund"), QStringLiteral("Phase (\u00b0)")});
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return t;
}

QString harmonicName(int h) {
    return h == 1 ? QStringLiteral("Fund") : QString::number(h);
}

} // namespace

frmHMeas::frmHMeas(Program& program, MeasurementState& state, QWidget* parent)
    : QMainWindow(parent), program_(program), state_(state), io_(program) {
    setObjectName(QStringLiteral("frmHMeas"));
    setWindowTitle(QStringLiteral("Harmonic Analysis"));
    SeedLogRecords(state_, program_.settings.measurements, program_.paths.userDir);
    data_.frequency = program_.outputState.Frequency;
    build();
    buildMenus();
    showStatus(QStringLiteral("Ready..."));
    refresh();
    resize(900, 600);
}

void frmHMeas::build() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* bar = new QHBoxLayout;
    cmbParam_ = Named(new QComboBox(central), QStringLiteral("cmbParam"));
    cmbParam_->addItems({QStringLiteral("Voltage"), QStringLiteral("Current")});
    cmbGraph_ = Named(new QComboBox(central), QStringLiteral("cmbGraph"));
    cmbGraph_->addItems({QStringLiteral("Bar Chart-Absolute"), QStringLiteral("Bar Chart-Relative"),
                         QStringLiteral("Time Domain"), QStringLiteral("Table")});
    bar->addWidget(new QLabel(QStringLiteral("Parameter:"), central));
    bar->addWidget(cmbParam_);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(QStringLiteral("Display:"), central));
    bar->addWidget(cmbGraph_);
    bar->addSpacing(12);
    auto* phases = new QGroupBox(QStringLiteral("Phase"), central);
    auto* phaseLayout = new QHBoxLayout(phases);
    phaseLayout->setContentsMargins(6, 2, 6, 2);
    QList<QRadioButton*> phaseButtons;
    optPhs_ =
        OptionArray(phases, QStringLiteral("optPhs"),
                    {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, &phaseButtons);
    for (QRadioButton* b : phaseButtons)
        phaseLayout->addWidget(b);
    phaseButtons[0]->setChecked(true);
    const bool selectable = program_.sourceModel.MultiPhase != 0;
    phaseButtons[1]->setEnabled(selectable);
    phaseButtons[2]->setEnabled(selectable);
    bar->addWidget(phases);
    cmdMeas_ =
        Named(new QPushButton(QStringLiteral("Acquire"), central), QStringLiteral("cmdMeas"));
    bar->addWidget(cmdMeas_);
    bar->addStretch();
    const auto thd = [&](const QString& caption, const QString& name) {
        bar->addWidget(new QLabel(caption, central));
        auto* l = Named(new QLabel(QStringLiteral("0.00"), central), name);
        l->setFrameShape(QFrame::StyledPanel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(64);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        bar->addWidget(l);
        return l;
    };
    lblVthd_ = thd(QStringLiteral("THD V (%):"), QStringLiteral("lblVthd"));
    lblCthd_ = thd(QStringLiteral("THD I (%):"), QStringLiteral("lblCthd"));
    layout->addLayout(bar);

    pages_ = new QStackedWidget(central);
    graph_ = Named(new GraphView(pages_), QStringLiteral("Pego1"));
    auto* tables = new QWidget(pages_);
    auto* tableLayout = new QHBoxLayout(tables);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    grdOdd_ = harmonicTable(tables, QStringLiteral("grdOdd"));
    grdEven_ = harmonicTable(tables, QStringLiteral("grdEven"));
    tableLayout->addWidget(grdOdd_);
    tableLayout->addWidget(grdEven_);
    pages_->addWidget(graph_);
    pages_->addWidget(tables);
    layout->addWidget(pages_, 1);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    connect(cmdMeas_, &QPushButton::clicked, this, &frmHMeas::acquire);
    connect(cmbParam_, &QComboBox::currentIndexChanged, this, &frmHMeas::refresh);
    connect(cmbGraph_, &QComboBox::currentIndexChanged, this, &frmHMeas::refresh);
    connect(optPhs_, &QButtonGroup::idClicked, this, &frmHMeas::refresh);
    connect(graph_, &GraphView::zoomed, this, [this] {
        showStatus(QStringLiteral("Use 'Z' key or left double click to unzoom..."));
    });
    connect(graph_, &GraphView::unzoomed, this,
            [this] { showStatus(QStringLiteral("Use left mouse button to zoom graph...")); });
}

void frmHMeas::buildMenus() {
    const auto entry = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(entry(file, "mnuFOpen", QStringLiteral("&Open...")), &QAction::triggered, this,
            &frmHMeas::openFile);
    connect(entry(file, "mnuFSaveAs", QStringLiteral("Save &As...")), &QAction::triggered, this,
            &frmHMeas::saveFile);
    connect(entry(file, "mnuFPrint", QStringLiteral("&Print...")), &QAction::triggered, this,
            &frmHMeas::print);
    file->addSeparator();
    connect(entry(file, "mnuFExit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);
    QMenu* measure = menuBar()->addMenu(QStringLiteral("&Measure"));
    mnuMRun_ = entry(measure, "mnuMRun", QStringLiteral("&Acquire"));
    connect(mnuMRun_, &QAction::triggered, this, &frmHMeas::acquire);
    mnuMLog_ = entry(measure, "mnuMLog", QStringLiteral("&Log Acquisitions"));
    mnuMLog_->setCheckable(true);
    connect(mnuMLog_, &QAction::toggled, this, &frmHMeas::toggleLogging);
    connect(entry(measure, "mnuMLogSetup", QStringLiteral("Logging &Set-up...")),
            &QAction::triggered, this, [this] {
                frmLogger dialog(program_, state_, LogHarmonics, this);
                dialog.exec();
            });
    QMenu* graphMenu = menuBar()->addMenu(QStringLiteral("&Graph"));
    connect(entry(graphMenu, "mnuGraphSetup", QStringLiteral("Graph &Set-up...")),
            &QAction::triggered, this, &frmHMeas::graphSetup);
}

QString frmHMeas::shown(const QString& invariant) const {
    return Shown(invariant, program_.decimalSeparator);
}

bool frmHMeas::currentSelected() const {
    return cmbParam_->currentIndex() == 1;
}

int frmHMeas::phase() const {
    return std::max(0, optPhs_->checkedId());
}

void frmHMeas::showStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void frmHMeas::setAcquiring(bool on) {
    busy_ = on;
    cmdMeas_->setEnabled(!on);
    mnuMRun_->setEnabled(!on);
}

bool frmHMeas::acquirePhase(int p) {
    HarmonicRequest r;
    r.phase = p;
    r.current = currentSelected();
    r.acMode = program_.outputState.OutputMode == ModeAC;
    r.frequency = program_.outputState.Frequency;
    program_.prompt().setBusy(true);
    const bool complete = AcquireHarmonics(
        r, io_, state_, data_, QDateTime::currentDateTime(),
        {[this](const QString& s) { showStatus(s); },
         [this](const QString& e) { prompt_.showMessage(e, PromptIcon::Exclamation); }});
    program_.prompt().setBusy(false);
    lblVthd_->setText(shown(FormatNumber(data_.voltageThd, u"##0.00")));
    lblCthd_->setText(shown(FormatNumber(data_.currentThd, u"##0.00")));
    return complete;
}

void frmHMeas::acquire() {
    if (busy_) return;
    setAcquiring(true);
    acquirePhase(phase());
    refresh();
    setAcquiring(false);
    if (closeRequested_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmHMeas::toggleLogging(bool on) {
    if (!on) {
        logging_ = false;
        return;
    }
    if (busy_ || program_.testRunning) return;
    runLogging();
    const QSignalBlocker block(mnuMLog_);
    mnuMLog_->setChecked(false);
    if (closeRequested_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmHMeas::runLogging() {
    const LogSettings& s = state_.log[LogHarmonics];
    const QString path = ResolveLogPath(s.path, program_.paths.userDir);
    if (path.isEmpty()) {
        prompt_.showMessage(QStringLiteral("Data file must be specified."), PromptIcon::Exclamation);
        return;
    }
    LogFile file;
    QString error;
    if (!BeginLog(file, path, s.append, QDateTime::currentDateTime(), s.comment,
                  HarmonicLogHeader(s.dateTimeStamp, s.harmonicPhases, state_.delimiter), error)) {
        prompt_.showMessage(error, PromptIcon::Critical);
        return;
    }
    logging_ = true;
    setAcquiring(true);
    const bool selectable = program_.sourceModel.MultiPhase != 0;
    while (logging_) {
        QElapsedTimer clock;
        clock.start();
        for (int p = 0; p < kPhaseCount && logging_; ++p) {
            if (!s.phases[p] || (p > 0 && !selectable)) continue;
            optPhs_->button(p)->setChecked(true);
            // A failed acquisition has been reported once; logging ends
            // without a row of values that were not read.
            if (!acquirePhase(p)) {
                logging_ = false;
                refresh();
                break;
            }
            const QString row =
                HarmonicLogRow(data_.set(currentSelected()), QDateTime::currentDateTime(), p,
                               s.dateTimeStamp, s.harmonicPhases, state_.delimiter);
            if (!file.writeLine(row)) {
                prompt_.showMessage(
                    QStringLiteral("The log file %1 cannot be written; logging stopped.").arg(path),
                    PromptIcon::Critical);
                logging_ = false;
            }
            refresh();
        }
        if (!logging_) break;
        showStatus(QStringLiteral("Counting down Acquisition Interval..."));
        const qint64 remaining = qint64(s.intervalSeconds) * 1000 - clock.elapsed();
        if (remaining > 0)
            WaitUntil([this] { return !logging_; }, static_cast<int>(remaining), 50);
        else
            Delay(0);
    }
    file.close();
    setAcquiring(false);
    showStatus(QStringLiteral("Ready..."));
}

QString frmHMeas::titleTail() const {
    return QStringLiteral(" for Phase ") + PhaseLetter(phase()) + QStringLiteral(" @ ") +
           shown(FormatNumber(data_.frequency, u"##0.00")) + QStringLiteral(" Hz");
}

void frmHMeas::refresh() {
    const int kind = cmbGraph_->currentIndex();
    pages_->setCurrentIndex(kind == TableView ? 1 : 0);
    fillTables();
    if (kind == TableView) return;
    if (kind == TimeDomainView)
        drawTimeDomain();
    else
        drawBars(kind == BarRelative);
}

void frmHMeas::drawBars(bool relative) {
    const GraphSettings& g = program_.settings.graph;
    const HarmonicSet& set = data_.set(currentSelected());
    const float fundamental = set.amplitude[1];
    const bool blank = relative && !RelativePercent(1, fundamental);
    graph_->reset();
    graph_->setTitle(QStringLiteral("Graph : ") +
                     (relative ? QStringLiteral("Relative ") : QStringLiteral("Absolute ")) +
                     cmbParam_->currentText() + QStringLiteral(" Harmonics") + titleTail());
    graph_->setSubtitle(blank ? kNoFundamentalNote : QString());
    graph_->setAxisTitles(QStringLiteral("Harmonics number"),
                          relative ? QStringLiteral("Amplitude (%)") : QStringLiteral("Amplitude"));
    graph_->setStyle(GraphStyle::Bar);
    graph_->setGrid(g.grid != 0);
    graph_->setSize(2, kBarPoints);
    graph_->setSubsetLabel(0, QStringLiteral("Odd Harmonics"));
    graph_->setSubsetLabel(1, QStringLiteral("Even Harmonics"));
    graph_->setSubsetColor(0, g.color[0]);
    graph_->setSubsetColor(1, g.color[1]);
    QStringList labels;
    QVector<float> values(2 * kBarPoints, GraphView::kNullValue);
    for (int p = 0; p < kBarPoints; ++p) {
        const int h = p + 1;
        labels << harmonicName(h);
        const float a = set.amplitude[static_cast<size_t>(h)];
        const std::optional<float> v = relative ? RelativePercent(a, fundamental) : a;
        if (v) values[(h % 2 ? 0 : kBarPoints) + p] = *v;
    }
    graph_->setPointLabels(labels);
    const int param = currentSelected() ? 1 : 0;
    if (!relative && g.yScale[param] != 0) graph_->setManualYScale(0, g.yMaximum[param]);
    graph_->setYData(values);
    graph_->redraw();
    if (blank) showStatus(kNoFundamentalNote);
}

void frmHMeas::drawTimeDomain() {
    const GraphSettings& g = program_.settings.graph;
    const auto y = TimeDomain(data_.set(currentSelected()));
    graph_->reset();
    graph_->setTitle(QStringLiteral("Graph : ") + cmbParam_->currentText() +
                     QStringLiteral(" Time Domain Reconstruction") + titleTail());
    graph_->setAxisTitles(QStringLiteral("Phase angle of the fundamental (\u00b0)"),
                          currentSelected() ? QStringLiteral("Amplitude (A)") : QStringLiteral("Amplitude (V)"));
    graph_->setGrid(g.grid != 0);
    graph_->setSize(1, kTimeDomainPoints);
    graph_->setSubsetColor(0, g.color[2]);
    QStringList labels;
    for (int t = 0; t < kTimeDomainPoints; ++t)
        labels << QString::number(t) + QChar(0x00b0);
    graph_->setPointLabels(labels);
    const int param = currentSelected() ? 1 : 0;
    if (g.yScale[param] != 0) graph_->setManualYScale(-g.yMaximum[param], g.yMaximum[param]);
    graph_->setYData(QVector<float>(y.begin(), y.end()));
    graph_->redraw();
}

void frmHMeas::fillTables() {
    const HarmonicSet& set = data_.set(currentSelected());
    const float fundamental = set.amplitude[1];
    for (int h = 1; h < kHarmonicRows; ++h) {
        QTableWidget* table = h % 2 ? grdOdd_ : grdEven_;
        const int row = (h - 1) / 2;
        const float a = set.amplitude[static_cast<size_t>(h)];
        const std::optional<float> rel = RelativePercent(a, fundamental);
        const QString cells[4] = {
            harmonicName(h), shown(FormatNumber(a, u"##0.000")),
            rel ? shown(FormatNumber(*rel, u"##0.00")) : QString(),
            shown(FormatNumber(set.phase[static_cast<size_t>(h)], u"##0.00"))};
        for (int c = 0; c < 4; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, c, item);
        }
    }
}

void frmHMeas::openFile() {
    const QString path = prompt_.chooseOpenFile(
        {QStringLiteral("Open Harmonic Data File..."), kHarmonicFilter, QStringLiteral("hmd"), {}});
    if (path.isEmpty()) return;
    QString error;
    if (!ReadHarmonicFile(path, data_, error)) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return;
    }
    lblVthd_->setText(shown(FormatNumber(data_.voltageThd, u"##0.00")));
    lblCthd_->setText(shown(FormatNumber(data_.currentThd, u"##0.00")));
    const QSignalBlocker block(cmbParam_);
    cmbParam_->setCurrentIndex(IsCurrentParameter(data_.parameter) ? 1 : 0);
    refresh();
}

void frmHMeas::saveFile() {
    const QString path = ChooseSavePath(
        prompt_,
        {QStringLiteral("Save Harmonic Data As ..."), kHarmonicFilter, QStringLiteral("hmd"), {}});
    if (path.isEmpty()) return;
    data_.parameter = cmbParam_->currentText();
    QString error;
    if (!WriteHarmonicFile(path, data_, error))
        prompt_.showMessage(error, PromptIcon::Critical);
}

void frmHMeas::print() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    printTo(printer);
}

void frmHMeas::printTo(QPrinter& printer) {
    showStatus(QStringLiteral("Processing print request...Please stand by..."));
    QProgressDialog progress(
        QStringLiteral("Printing Harmonic Measurement Data - Click Cancel to quit"),
        QStringLiteral("Cancel"), 0, 2, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QPainter painter;
    if (!painter.begin(&printer)) {
        showStatus(QStringLiteral("Ready..."));
        return;
    }
    const QRect page = painter.viewport();
    const int line = painter.fontMetrics().height() * 3 / 2;
    const QString printed =
        QStringLiteral("Printed on: ") + QDate::currentDate().toString(Qt::ISODate);
    const HarmonicSet& set = data_.set(currentSelected());

    QFont titleFont = painter.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    const auto header = [&](int number) {
        painter.save();
        painter.setFont(titleFont);
        painter.drawText(QRect(0, 0, page.width(), 3 * line), Qt::AlignLeft | Qt::AlignTop,
                         program_.messageTitle + QStringLiteral(" Harmonic Measurement Data"));
        painter.restore();
        const QRect row(0, 2 * line, page.width(), line);
        painter.drawText(row, Qt::AlignLeft, QStringLiteral("Acquisition Date : ") + data_.date);
        painter.drawText(row, Qt::AlignRight, QStringLiteral("Page %1").arg(number));
        painter.drawText(QRect(0, page.height() - line, page.width(), line), Qt::AlignLeft,
                         printed);
        return 4 * line;
    };
    int pageNumber = 1;
    int y = header(pageNumber);
    const int columns[4] = {0, page.width() / 4, page.width() / 2, page.width() * 3 / 4};
    const QString headings[4] = {QStringLiteral("Harmonic"), QStringLiteral("Amplitude"),
                                 QStringLiteral("% of Fund"), QStringLiteral("Phase (deg)")};
    for (int c = 0; c < 4; ++c)
        painter.drawText(columns[c], y, headings[c]);
    y += line;
    for (int h = 0; h < kHarmonicRows; ++h) {
        if (y > page.height() - 2 * line) {
            printer.newPage();
            y = header(++pageNumber) + line;
        }
        const float a = set.amplitude[static_cast<size_t>(h)];
        const std::optional<float> rel = RelativePercent(a, set.amplitude[1]);
        const QString cells[4] = {
            h == 0 ? QStringLiteral("DC") : harmonicName(h), shown(FormatNumber(a, u"##0.000")),
            rel ? shown(FormatNumber(*rel, u"##0.00")) : QString(),
            shown(FormatNumber(set.phase[static_cast<size_t>(h)], u"##0.00"))};
        for (int c = 0; c < 4; ++c)
            painter.drawText(columns[c], y, cells[c]);
        y += line;
    }
    progress.setValue(1);
    if (!progress.wasCanceled()) {
        printer.newPage();
        y = header(++pageNumber);
        painter.drawText(QRect(0, y, page.width(), line), Qt::AlignLeft,
                         graph_->title() + QStringLiteral(" - Acquisition Date : ") + data_.date);
        painter.drawText(QRect(0, y + line, page.width(), line), Qt::AlignLeft,
                         QStringLiteral("THD Voltage = ") + lblVthd_->text() +
                             QStringLiteral(" %") + QStringLiteral(" THD Current = ") +
                             lblCthd_->text() + QStringLiteral(" %"));
        const int top = y + 3 * line;
        const int height = std::min(page.height() - top - 2 * line, page.width() * 2 / 3);
        graph_->render(painter, QRect(0, top, page.width(), height));
    }
    painter.end();
    progress.setValue(2);
    showStatus(QStringLiteral("Ready..."));
}

void frmHMeas::graphSetup() {
    frmMSGraphSetup dialog(program_.settings.graph, this);
    if (dialog.exec() == QDialog::Accepted) refresh();
}

void frmHMeas::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // The acquisition or the logging unwinds first; the window closes when it has.
        closeRequested_ = true;
        logging_ = false;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace ostrel
