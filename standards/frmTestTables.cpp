#include "standards/frmTestTables.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/GraphView.h"
#include "reports/PlainTextReport.h"
#include "reports/ReportOutput.h"
#include "reports/TableReport.h"
#include "standards/EutGraphs.h"
#include "standards/GroupRules.h"
#include "standards/OpeningLibrary.h"
#include "standards/TestLibrary.h"
#include "standards/TestRun.h"
#include "standards/TestStandard.h"
#include "standards/TestSteps.h"
#include "standards/WindowStart.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

#include <cmath>
#include <QRandomGenerator>

namespace ostrel {

namespace {

// Colour values are blue-green-red words: 0xFFFFC0 is light cyan.
const QColor kLightCyan(0xC0, 0xFF, 0xFF);
const QColor kLightYellow(0xFF, 0xFF, 0xC0);
const QColor kLightRed(0xFF, 0x80, 0x80);

const QString kLimitsNote = QStringLiteral(
    "The limit values are based on a linear load condition at 25C. The user should verify the test "
    "limits under actual load to ensure accurary of the test.");

void setCell(QTableWidget* grid, int row, int column, const QString& text,
             const QColor& background = {}) {
    auto* item = grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, column, item);
    }
    item->setText(text);
    item->setBackground(background.isValid() ? QBrush(background) : QBrush());
}

} // namespace

frmTestTables::frmTestTables(Program& program, const TestStandard& standard, QWidget* parent)
    : QMainWindow(parent), program_(program), standard_(&standard), io_(program) {
    setObjectName(standard.windowName);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(standard.title);
    build();
    windowStart();
}

frmTestTables::~frmTestTables() = default;

void frmTestTables::status(const QString& text) {
    program_.prompt().setStatus(1, text);
    statusBar()->showMessage(text);
}

// --- Window start, libraries and power groups -----------------------------------

void frmTestTables::windowStart() {
    program_.prompt().setBusy(true);
    filling_ = true;
    cmbTestFrequency_->addItems(standard_->testFrequencies);
    cmbAirFrame_->addItems(LibraryEntries(program_.paths, *standard_));
    bool remembered = false;
    const int revision = program_.store()
                             .GetSetting(QStringLiteral("UserPreferences"), standard_->revisionPreference, QString())
                             .toInt(&remembered);
    library_ = OpeningLibrary(program_.paths, *standard_, remembered ? std::optional<int>(revision) : std::nullopt);
    cmbAirFrame_->setCurrentIndex(library_);
    libraryFolder_ = LibraryFolder(cmbAirFrame_->currentText());
    filling_ = false;
    takeRevisionSet(library_);

    const WindowStartResult start =
        RunWindowStart(program_, *standard_, standard_->revisionIndex(library_));
    sampleIntervalUs_ = ParseSingle(start.sampleInterval) * 1e6f;
    const bool advanced = program_.sourceModel.SeriesFamily() == 1;
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblCurrDistortion_, lblVoltDistortion_, lblCDistLimit_,
                                         txtCDistLimit_, txtCDistResult_})
        w->setVisible(advanced);
    for (int p = 0; p < 3; ++p) {
        txtCurrDistortion_[static_cast<size_t>(p)]->setVisible(advanced);
        txtVoltDistortion_[static_cast<size_t>(p)]->setVisible(advanced);
    }
    group_ = start.defaultGroup;
    optTestTable_->button(group_)->setChecked(true);
    if (loadStructure(libraryFolder_, group_)) selectTest(1);
    const PowerGroup& g = standard_->groups[static_cast<size_t>(group_)];
    setTestFrequency(cmbTestFrequency_->findText(g.testFrequency), g.testFrequencyEnabled);
    record_ = {};
    resultText_ = QStringLiteral("No Test Selected");
    setPrintEnabled(false);
    activated();
    program_.prompt().setBusy(false);
}

void frmTestTables::chooseLibrary(int index) {
    if (filling_ || index == library_) return;
    const QString folder = LibraryFolder(cmbAirFrame_->itemText(index));
    takeRevisionSet(index);
    if (!loadStructure(folder, group_)) {
        // The choice stays with the table on screen.
        takeRevisionSet(library_);
        filling_ = true;
        cmbAirFrame_->setCurrentIndex(library_);
        filling_ = false;
        return;
    }
    library_ = index;
    libraryFolder_ = folder;
    loadLimits();
    selectTest(1);
}

void frmTestTables::chooseGroup(int group) {
    if (group == group_) return;
    const QString refusal = GroupRefusal(*standard_, group, program_.outputState.OutputMode);
    if (!refusal.isEmpty() || !loadStructure(libraryFolder_, group)) {
        if (!refusal.isEmpty()) program_.prompt().showMessage(refusal, PromptIcon::Exclamation);
        optTestTable_->button(group_)->setChecked(true);
        return;
    }
    group_ = group;
    const PowerGroup& g = standard_->groups[static_cast<size_t>(group)];
    setTestFrequency(cmbTestFrequency_->findText(g.testFrequency), g.testFrequencyEnabled);
}

// Sets whose revisions differ in captions and codes take the revision's groups.
void frmTestTables::takeRevisionSet(int entry) {
    if (!standard_->revisionSet) return;
    standard_ = &standard_->revisionSet(standard_->revisionIndex(entry));
    const auto buttons = optTestTable_->buttons();
    for (QAbstractButton* b : buttons) {
        const int i = optTestTable_->id(b);
        if (i >= 0 && i < int(standard_->groups.size())) b->setText(standard_->groups[size_t(i)].caption);
    }
}

bool frmTestTables::loadStructure(const QString& folder, int group) {
    const QString path = StructureTablePath(program_.paths, *standard_, folder, group);
    QString error;
    std::optional<StructureTable> table;
    if (!path.isEmpty()) table = ReadStructureTable(path, error);
    if (!table) {
        // What the reader found wrong goes under the message: file and line or key.
        program_.prompt().showMessage(
            QStringLiteral("Load FAILED") +
                (error.isEmpty() ? QString() : QStringLiteral("\r\n") + error),
            PromptIcon::None);
        return false;
    }
    structure_ = std::move(table);
    lblTableHeader_->setText(structure_->description);
    lblTestGroup_->setText(standard_->groups[static_cast<size_t>(group)].caption);
    filling_ = true;
    grdTestNumbers_->setVisible(false);
    grdTestNumbers_->clear();
    grdTestNumbers_->clearSpans(); // the last table's extra row
    grdTestNumbers_->setColumnCount(structure_->columnCount());
    grdTestNumbers_->setRowCount(int(structure_->rows.size()));
    grdTestNumbers_->setHorizontalHeaderLabels(structure_->headers);
    const int width =
        grdTestNumbers_->viewport()->width() > 100 ? grdTestNumbers_->viewport()->width() : 900;
    for (int c = 0; c < structure_->columnCount(); ++c) {
        for (int r = 1; r <= int(structure_->rows.size()); ++r) {
            auto* item = new QTableWidgetItem(structure_->cell(r, c + 1));
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            grdTestNumbers_->setItem(r - 1, c, item);
        }
        // The file's share of the width, but never narrower than the column's header or texts.
        grdTestNumbers_->resizeColumnToContents(c);
        grdTestNumbers_->setColumnWidth(c, std::max(grdTestNumbers_->columnWidth(c),
                                                    int(structure_->widths[static_cast<size_t>(c)] * width / 100)));
    }
    const int entry = int(LibraryEntries(program_.paths, *standard_).indexOf(folder.mid(1).chopped(1)));
    if (!standard_->extraSelectionRow.isEmpty() &&
        standard_->revisionIndex(std::max(0, entry)) >= standard_->extraSelectionRowFrom) {
        const int row = grdTestNumbers_->rowCount();
        grdTestNumbers_->setRowCount(row + 1);
        auto* item = new QTableWidgetItem(standard_->extraSelectionRow);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        item->setForeground(QColor(10, 100, 255));
        grdTestNumbers_->setItem(row, 0, item);
        grdTestNumbers_->setSpan(row, 0, 1, std::max(1, structure_->columnCount()));
    }
    grdTestNumbers_->setVisible(true);
    filling_ = false;
    return true;
}

void frmTestTables::selectTest(int row) {
    if (structure_ && row == int(structure_->rows.size()) + 1 && !standard_->extraSelectionStatus.isEmpty() &&
        row <= grdTestNumbers_->rowCount()) {
        status(standard_->extraSelectionStatus);
        return;
    }
    if (!structure_ || row < 1 || row > int(structure_->rows.size())) return;
    filling_ = true;
    grdTestNumbers_->selectRow(row - 1);
    filling_ = false;
    const QString name = structure_->sequenceName(row);
    testLabel_ = structure_->testLabel(row);
    if (name.isEmpty()) {
        clearSequence();
        txtTestFileHeader_->setText(
            QStringLiteral("No test sequence file selected, test settings cleared."));
        status(QStringLiteral(
            "No test sequence file available for this entry, test settings cleared."));
        return;
    }
    QString error;
    const QString path = SequenceFilePath(program_.paths, libraryFolder_, name);
    std::optional<SequenceFile> file;
    if (!path.isEmpty()) file = ReadSequenceFile(path, program_.decimalSeparator, error);
    if (!file) {
        program_.prompt().showMessage(
            QStringLiteral("ERROR: Test file failed to load.") +
                (error.isEmpty() ? QString() : QStringLiteral("\r\n") + error),
            PromptIcon::Critical);
        status(QStringLiteral("Test sequence file load failed."));
        return;
    }
    sequencePath_ = path;
    showSequence(*file);
}

void frmTestTables::clearSequence() {
    SequenceFile empty;
    empty.grid = StepGrid::cleared();
    showSequence(empty);
    sequencePath_.clear();
}

void frmTestTables::showSequence(const SequenceFile& file) {
    filling_ = true;
    const StepGrid& g = file.grid;
    grdSettings_->clear();
    grdSettings_->setColumnCount(g.columnCount() + 1);
    grdSettings_->setRowCount(g.rowCount());
    grdSettings_->setHorizontalHeaderLabels(g.headers);
    const int width = std::max(900, grdSettings_->viewport()->width());
    for (int c = 0; c <= g.columnCount(); ++c) {
        for (int r = 1; r <= g.rowCount(); ++r)
            setCell(grdSettings_, r - 1, c,
                    c == 0 && g.cell(r, 0).isEmpty() ? QString::number(r) : g.cell(r, c));
        // The file's share of the width, but never narrower than what the column holds.
        grdSettings_->resizeColumnToContents(c);
        if (static_cast<size_t>(c) < file.widths.size())
            grdSettings_->setColumnWidth(
                c, std::max(grdSettings_->columnWidth(c),
                            int(file.widths[static_cast<size_t>(c)] * width / 100)));
    }
    txtTestFileHeader_->setText(file.description);
    if (!g.empty()) chkPhaseDisplay_->setChecked(file.phaseDisplay);
    applyColumns();
    filling_ = false;
    dirty_ = false;
    const double total = std::round(TotalTestTime(g, program_.decimalSeparator));
    lblProgressTest_->setText(QStringLiteral("Complete test: ") + FormatDuration(0) +
                              QStringLiteral(" / ") + FormatDuration(total));
    pgbProgressTest_->setMaximum(std::max(1, int(total)));
    pgbProgressTest_->setValue(0);
    if (!g.empty()) {
        grdSettings_->selectRow(0);
        stepSelected(1);
        status(QStringLiteral(
            "Test sequence file load completed. - Select Test Control tab to view test program."));
    }
}

// Tints and hidden columns: the frequency columns go in DC mode, phases B and
// C unless asked for, the step description always (it shows below the grid).
void frmTestTables::applyColumns() {
    const int columns = grdSettings_->columnCount();
    const bool dc = program_.outputState.OutputMode == ModeDC;
    const bool empty = columns <= 2;
    for (int c = 0; c < columns; ++c) {
        QColor tint;
        if (!empty && (c == 1 || c == 2 || c == 12 || c == 13)) tint = kLightCyan;
        if (!empty && c >= 6 && c <= 8) tint = kLightYellow;
        for (int r = 0; r < grdSettings_->rowCount(); ++r)
            if (auto* item = grdSettings_->item(r, c))
                item->setBackground(tint.isValid() ? QBrush(tint) : QBrush());
        bool hidden = false;
        if (!empty) {
            hidden = c == columns - 1 || (dc && (c == 1 || c == 2)) ||
                     (c >= 6 && c <= 11 && !chkPhaseDisplay_->isChecked());
        }
        grdSettings_->setColumnHidden(c, hidden);
    }
}

void frmTestTables::stepSelected(int row) {
    const StepGrid g = stepGrid();
    if (row < 1 || row > g.rowCount() || g.empty()) return;
    txtDescription_->setPlainText(g.cell(row, g.columnCount()));
    lblProgressStep_->setText(
        QStringLiteral("Selected step: ") +
        FormatDuration(std::round(StepGroupTime(g, row, program_.decimalSeparator))));
}

StepGrid frmTestTables::stepGrid() const {
    StepGrid g;
    for (int c = 0; c < grdSettings_->columnCount(); ++c) {
        const QTableWidgetItem* h = grdSettings_->horizontalHeaderItem(c);
        g.headers << (h ? h->text() : QString());
    }
    for (int r = 0; r < grdSettings_->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < grdSettings_->columnCount(); ++c) {
            const QTableWidgetItem* item = grdSettings_->item(r, c);
            row << (item ? item->text() : QString());
        }
        g.rows.push_back(row);
    }
    return g;
}

void frmTestTables::setTestFrequency(int entry, bool enabled) {
    // Chosen by the program: only the limit set follows, the source is left alone.
    filling_ = true;
    cmbTestFrequency_->setCurrentIndex(std::max(0, entry));
    filling_ = false;
    cmbTestFrequency_->setEnabled(enabled);
}

void frmTestTables::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !running()) activated();
}

void frmTestTables::activated() {
    const OutputState& out = program_.outputState;
    const bool dc = out.OutputMode == ModeDC;
    const bool threePhase = out.MultiPhaseOutput != 0;
    lblDemoMode_->setVisible(program_.settings.link.bus == BusSimulation);
    chkPhaseDisplay_->setEnabled(threePhase);
    lblVoltRMS_->setText(dc ? QStringLiteral("Volt DC (V):") : QStringLiteral("Volt RMS (V):"));
    lblCurrRMS_->setText(dc ? QStringLiteral("Curr DC (A):") : QStringLiteral("Curr RMS (A):"));
    lblFreqMeas_->setText(dc ? QStringLiteral("DC") : QStringLiteral("Hz"));
    lblPowerlev_->setText(dc ? QStringLiteral("Power (W):") : QStringLiteral("App. Power (VA):"));
    lblUnBal_->setText(dc ? (standard_->totalDcLabel.isEmpty() ? QStringLiteral("Total W         ")
                                                              : standard_->totalDcLabel)
                          : (standard_->totalAcLabel.isEmpty() ? QStringLiteral("Total VA        ")
                                                              : standard_->totalAcLabel));
    loadLimits();
    showSettings();
    const GroupFallback fallback = FallbackGroup(*standard_, group_, out.OutputMode, threePhase);
    if (!fallback.warning.isEmpty() && loadStructure(libraryFolder_, fallback.group)) {
        group_ = fallback.group;
        optTestTable_->button(group_)->setChecked(true);
        const PowerGroup& g = standard_->groups[static_cast<size_t>(group_)];
        setTestFrequency(cmbTestFrequency_->findText(g.testFrequency), g.testFrequencyEnabled);
        program_.prompt().showMessage(fallback.warning, PromptIcon::Exclamation);
        selectTest(1);
    }
    applyColumns();
}

// The main panel's present settings; what the mode or phase count leaves out reads "n/a".
void frmTestTables::showSettings() {
    const OutputState& out = program_.outputState;
    const bool dc = out.OutputMode == ModeDC;
    const int phases = out.MultiPhaseOutput != 0 ? 3 : 1;
    const QString na = QStringLiteral("n/a");
    txtOutputMode_->setText(dc                           ? QStringLiteral("DC")
                            : out.OutputMode == ModeACDC ? QStringLiteral("AC+DC")
                                                         : QStringLiteral("AC"));
    txtCurrent_->setText(FormatNumber(out.Phase[0].CurrentLimit, u"##0.00"));
    if (!running()) {
        cmdOutputOn_->setEnabled(out.OutputOn == 0);
        cmdOutputOff_->setEnabled(out.OutputOn != 0);
    }
    QStringList names;
    for (const QString& n : program_.sourceModel.WaveformNames)
        if (!n.isEmpty()) names << n;
    for (int p = 0; p < 3; ++p) {
        const auto i = static_cast<size_t>(p);
        const PhaseState& ph = out.Phase[i];
        const bool used = p < phases;
        txtVoltage_[i]->setText(used ? FormatNumber(dc ? ph.DcVoltage : ph.Voltage, u"##0.0") : na);
        txtPhaseAngle_[i]->setText(used && !dc ? FormatNumber(ph.PhaseAngle, u"##0.0") : na);
        QComboBox* wave = cmbWaveform_[i];
        wave->clear();
        if (!used || dc) {
            wave->addItem(na);
            continue;
        }
        wave->addItems(names);
        const QString shown = program_.sourceModel.WaveformNames.at(
            static_cast<size_t>(std::clamp(ph.WaveformIndex, 0, kWaveformSlots - 1)));
        wave->setCurrentIndex(std::max(0, wave->findText(shown)));
    }
}

// The Edit menu works on the selected step.
void frmTestTables::editRows(const QString& action) {
    if (running() || grdSettings_->columnCount() <= 2) return;
    const int row = grdSettings_->currentRow();
    const int columns = grdSettings_->columnCount();
    const auto cells = [&](int r) {
        QStringList out;
        for (int c = 0; c < columns; ++c)
            out << (grdSettings_->item(r, c) ? grdSettings_->item(r, c)->text() : QString());
        return out;
    };
    filling_ = true;
    if ((action == QLatin1String("copy") || action == QLatin1String("cut")) && row >= 0)
        copiedRow_ = cells(row);
    if (action == QLatin1String("paste") && row >= 0 && !copiedRow_.isEmpty()) {
        for (int c = 1; c < columns; ++c)
            setCell(grdSettings_, row, c, copiedRow_.value(c));
    } else if (action == QLatin1String("insert")) {
        const int at = std::max(0, row);
        grdSettings_->insertRow(at);
        for (int c = 0; c < columns; ++c)
            setCell(grdSettings_, at, c, QString());
    } else if ((action == QLatin1String("delete") || action == QLatin1String("cut")) && row >= 0 &&
               grdSettings_->rowCount() > 1) {
        grdSettings_->removeRow(row);
    }
    renumberSteps();
    applyColumns();
    filling_ = false;
    if (action != QLatin1String("copy")) dirty_ = true;
}

void frmTestTables::renumberSteps() {
    for (int r = 0; r < grdSettings_->rowCount(); ++r)
        setCell(grdSettings_, r, 0, QString::number(r + 1));
}

// --- Running ---------------------------------------------------------------------

void frmTestTables::setRunning(bool running) {
    cmdStart_->setEnabled(!running);
    cmdAbort_->setEnabled(running);
    fraExecOptions_->setEnabled(!running);
    grdTestNumbers_->setEnabled(!running);
    grdSettings_->setEnabled(!running);
    cmbAirFrame_->setEnabled(!running);
    for (QAbstractButton* b : optTestTable_->buttons())
        b->setEnabled(!running);
    for (QPushButton* b : {cmdAutoAcquire_, cmdUpdateMeas_, cmdResetPeak_})
        b->setEnabled(!running);
    lblTestInProgress_->setVisible(running);
    // The run closes the relay itself: Output Off stays live throughout.
    if (running) cmdOutputOff_->setEnabled(true);
}

void frmTestTables::startTest() {
    if (running() || measuring_) return;
    txtDescription_->setPlainText(kLimitsNote);
    TestRunRequest request;
    request.grid = stepGrid();
    request.dcGroup = standard_->groups[static_cast<size_t>(group_)].dc;
    request.mode = static_cast<ExecutionMode>(std::max(0, optExecutionControl_->checkedId()));
    request.selectedRow = std::max(1, grdSettings_->currentRow() + 1);
    request.triggerOutBot = optTrigOut_->isChecked();
    request.returnSteady = chkReturnSteady_->isChecked();
    request.autoAcquire = chkAutoAcquire_->isChecked();
    request.factors = ReadHfFactors(program_.paths);

    const OutputState& out = program_.outputState;
    const bool dc = out.OutputMode == ModeDC;
    TestReportRecord record;
    BeginReport(record, {program_.messageTitle + u' ' + QStringLiteral(OSTREL_VERSION), ReportTitle(*standard_),
                         sequencePath_, out.OutputMode,
                         dc ? out.Phase[0].DcVoltage : out.Phase[0].Voltage, out.Frequency,
                         QDateTime::currentDateTime()});
    eut_.clear();

    TestRunCallbacks callbacks;
    callbacks.progress = [this](const TestProgress& p) {
        if (!p.stepText.isEmpty()) lblProgressStep_->setText(p.stepText);
        if (!p.testText.isEmpty()) lblProgressTest_->setText(p.testText);
        pgbProgressStep_->setMaximum(std::max(1, int(p.stepTotal)));
        pgbProgressStep_->setValue(int(p.stepTotal - p.stepRemaining));
        pgbProgressTest_->setMaximum(std::max(1, int(p.total)));
        pgbProgressTest_->setValue(std::min(int(p.elapsed), pgbProgressTest_->maximum()));
    };
    callbacks.status = [this](const QString& text) { statusBar()->showMessage(text); };
    callbacks.resultText = [this](const QString& text) { resultText_ = text; };
    callbacks.selectRow = [this](int row) { grdSettings_->selectRow(row - 1); };
    callbacks.acquire = [this] { acquireOnce(); };
    callbacks.runningChanged = [this](bool on) { setRunning(on); };

    TestRun run(program_, *standard_, callbacks);
    run_ = &run;
    const bool printable = cmdPrint_->isEnabled();
    setPrintEnabled(true);
    const TestRunOutcome outcome = run.run(request);
    run_ = nullptr;
    // There is a report once a test has run.
    setPrintEnabled(printable || outcome.outcome != RunOutcome::NotStarted);
    showSettings();
    if (outcome.outcome != RunOutcome::NotStarted) {
        record_ = record;
        record_.eut = eut_;
        EndReport(record_, resultText_, QDateTime::currentDateTime());
    }
    if (closeAfterRun_) close();
}

void frmTestTables::abortTest() {
    if (run_) {
        resultText_ = QStringLiteral("User Abort");
        run_->requestAbort();
    }
}

void frmTestTables::outputOn() {
    program_.link.Send(0, QStringLiteral("outp 1"));
    program_.outputState.OutputOn = 1;
    cmdOutputOn_->setEnabled(false);
    cmdOutputOff_->setEnabled(true);
}

void frmTestTables::outputOff() {
    if (run_) {
        const PromptAnswer a = program_.prompt().ask(
            QStringLiteral(
                "WARNING: Test is in progress. Opening output relay\r\nwill cause test to be "
                "aborted.\r\nDo you wish to proceed anyway?"),
            PromptButtons::YesNo, 1, PromptIcon::Exclamation);
        if (a != PromptAnswer::Yes) return;
        run_->requestOutputOff();
    } else if (!TestRun::OutputOff(program_)) {
        return;
    }
    cmdOutputOn_->setEnabled(true);
    cmdOutputOff_->setEnabled(false);
}

// --- EUT measurement -------------------------------------------------------------

EutConditions frmTestTables::conditions() const {
    const OutputState& out = program_.outputState;
    return {program_.settings.link.bus != BusSimulation, out.OutputMode == ModeDC,
            out.OutputMode == ModeACDC, out.MultiPhaseOutput != 0,
            program_.sourceModel.SeriesFamily() == 1};
}

EutRequest frmTestTables::eutRequest() const {
    EutRequest r;
    r.conditions = conditions();
    r.limits = limits_;
    r.entry = cmbTestFrequency_->currentIndex();
    r.programmedFrequency = r.conditions.dcMode ? 0 : program_.outputState.Frequency;
    r.sampleIntervalUs = sampleIntervalUs_;
    r.entries = standard_->testFrequencies;
    r.harmonicPhase = standard_->harmonicPhaseReadings;
    return r;
}

void frmTestTables::loadLimits() {
    const EutConditions c = conditions();
    const DistortionLimitsRead read =
        ReadDistortionLimits(DistortionLimitsPath(program_.paths, *standard_, libraryFolder_),
                             DistortionLimitSet(c.dcMode, c.threePhase), standard_->distortionLayout);
    if (!read.ok) status(read.error);
    limits_ = read.limits;
    txtCDistLimit_->setText(FormatNumber(std::abs(limits_.thdLimit), u"##0.00"));
}

void frmTestTables::testFrequencyChosen(int entry) {
    if (filling_ || running() || entry < 0) return;
    if (conditions().dcMode) return;
    if (entry == 0) {
        // "DC" is no frequency of an AC supply.
        filling_ = true;
        cmbTestFrequency_->setCurrentIndex(1);
        filling_ = false;
        entry = 1;
    }
    loadLimits();
    SelectTestFrequency(TestFrequencyHz(standard_->testFrequencies, entry), io_, [this](double s) {
        return !program_.engineClock.wait(s);
    });
}

void frmTestTables::acquireOnce() {
    measuring_ = true;
    measAbort_ = false;
    const EutAcquisition a =
        AcquireEutData(eutRequest(), io_, program_.measurements,
                       {[this](const QString& t) { statusBar()->showMessage(t); },
                        [this](const QString& e) { status(e); }, [this] { return measAbort_; },
                        [this](int p, const EutAcquisition& taken) { drawPhase(p, taken); }});
    measuring_ = false;
    eut_ = {a};
    showAcquisition(a);
    writeSummary();
}

void frmTestTables::acquireSweep() {
    if (running() || measuring_) return;
    measuring_ = true;
    measAbort_ = false;
    for (QPushButton* b : {cmdAutoAcquire_, cmdUpdateMeas_, cmdResetPeak_, cmdStart_})
        b->setEnabled(false);
    const EutConditions c = conditions();
    const PowerGroup& g = standard_->groups[static_cast<size_t>(group_)];
    EutSweepRequest sweep;
    sweep.acquisition = eutRequest();
    sweep.entries = SweepEntriesBetween(standard_->testFrequencies, g.sweepFirst, g.sweepLast);
    sweep.presentEntry = cmbTestFrequency_->currentIndex();
    sweep.settleSeconds = c.connected ? 2 : 5;
    const EutEvents events{[this](const QString& t) { status(t); }, [this](const QString& e) { status(e); },
                           [this] { return measAbort_; },
                           [this](int p, const EutAcquisition& taken) { drawPhase(p, taken); }};
    const QVector<EutAcquisition> taken =
        RunEutSweep(sweep, io_, program_.measurements, events, [this](double s) {
            return !program_.engineClock.wait(s, [this] { return measAbort_; });
        });
    measuring_ = false;
    for (QPushButton* b : {cmdAutoAcquire_, cmdUpdateMeas_, cmdResetPeak_, cmdStart_})
        b->setEnabled(true);
    if (taken.isEmpty()) return;
    eut_ = taken;
    record_.eut = eut_;
    showAcquisition(taken.last());
    // The selector returns with the source to the entry the sweep started on.
    filling_ = true;
    cmbTestFrequency_->setCurrentIndex(sweep.presentEntry);
    filling_ = false;
    writeSummary();
}

// Each phase's graphs as soon as it is acquired; the last phase stays shown.
void frmTestTables::drawPhase(int phase, const EutAcquisition& a) {
    DrawPhaseRecord(*pegoCurrent_, a, phase);
    DrawPhaseSpectrum(*pegoSpectrum_, a, phase);
}

void frmTestTables::showAcquisition(const EutAcquisition& a) {
    filling_ = true;
    cmbTestFrequency_->setCurrentIndex(a.entry);
    filling_ = false;
    const bool dc = conditions().dcMode;
    txtFreqMeas_->setText(dc ? QStringLiteral("DC") : FormatReading(a.measuredFrequency, "##0.0"));
    for (int p = 0; p < 3; ++p) {
        const auto i = static_cast<size_t>(p);
        const EutPhaseTexts t = p < a.phases ? PhaseTexts(a.phase[i]) : EutPhaseTexts{};
        txtVoltRMS_[i]->setText(t.voltage);
        txtCurrRMS_[i]->setText(t.current);
        txtPowerLev_[i]->setText(t.power);
        txtInrush_[i]->setText(t.peakCurrent);
        txtPowerFactor_[i]->setText(dc ? QStringLiteral("n/a") : t.powerFactor);
        txtCurrDistortion_[i]->setText(t.currentThd);
        txtVoltDistortion_[i]->setText(t.voltageThd);
        if (txtCurrPhase_[i])
            txtCurrPhase_[i]->setText(p < a.phases ? FormatReading(a.currentPhase[i], "##0.0") : QString());
        QTableWidget* grid = grdSpectrum_[i];
        for (int h = 0; h < kLimitedHarmonics; ++h) {
            const QStringList cells = p < a.phases
                                          ? HarmonicRowTexts(a.harmonics[i][static_cast<size_t>(h)],
                                                             program_.decimalSeparator)
                                          : QStringList(7, QString());
            for (int c = 0; c < 7; ++c)
                setCell(grid, h, c, cells[c],
                        cells[c] == QLatin1String("Fail") ? kLightRed : QColor());
        }
    }
    txtVATotal_->setText(FormatReading(a.totalPower, "###0.0"));
    txtUnbalance_->setText(FormatReading(a.unbalancePercent, "##0.00"));
    for (QLineEdit* e : {txtPFLeadLimit_, txtPFLagLimit_, txtPFResult_})
        e->setText(QStringLiteral("n/a"));
    txtCDistLimit_->setText(FormatNumber(a.thdLimit, u"##0.00"));
    const QString verdict =
        a.complete ? VerdictText(a.verdict) : VerdictText(DistortionVerdict::NoData);
    txtCDistResult_->setText(verdict);
    txtCDistResult_->setStyleSheet(a.complete && a.verdict == DistortionVerdict::Fail
                                       ? QStringLiteral("background-color: #FF8080;")
                                       : QString());

    tabSections_->setCurrentIndex(2);
}

void frmTestTables::writeSummary() {
    QString error;
    if (!WriteMeasurementSummary(program_.paths.userFile(standard_->summaryFile), eut_, error))
        status(error);
}

void frmTestTables::resetPeak() {
    const auto peaks = ResetPeak(conditions(), io_);
    for (int p = 0; p < 3; ++p)
        txtInrush_[static_cast<size_t>(p)]->setText(
            FormatReading(peaks[static_cast<size_t>(p)], "##0.00"));
}

// --- Files and the report ----------------------------------------------------------

static QString fileFilter(const TestStandard& s) {
    return s.fileFilterName + QStringLiteral(" (*.ini)|*.ini|All Files (*.*)|*.*");
}

void frmTestTables::newFile() {
    if (running()) return;
    if (program_.prompt().ask(
            QStringLiteral("This action will clear all data from the test\r\ndata "
                           "grid. Are you sure you want to continue?"),
            PromptButtons::YesNo, 1, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    clearSequence();
    txtTestFileHeader_->setText(QStringLiteral("Test File Description"));
}

void frmTestTables::openFile() {
    if (running()) return;
    const QString path = program_.prompt().chooseOpenFile(
        {QStringLiteral("Open Test File..."), fileFilter(*standard_), QStringLiteral("ini"), sequencePath_});
    if (path.isEmpty()) return;
    QString error;
    const std::optional<SequenceFile> file =
        ReadSequenceFile(path, program_.decimalSeparator, error);
    if (!file) {
        program_.prompt().showMessage(
            QStringLiteral("ERROR: Test file failed to load.\r\n") + error, PromptIcon::Critical);
        status(QStringLiteral("Test sequence file load failed."));
        return;
    }
    sequencePath_ = path;
    showSequence(*file);
}

bool frmTestTables::saveFile(bool askName) {
    if (running()) return false;
    QString path = SaveTargetPath(program_.paths, sequencePath_);
    // A shipped test is saved as the operator's copy: its folder may not exist yet.
    if (!path.isEmpty() && path != sequencePath_) QDir().mkpath(QFileInfo(path).absolutePath());
    if (askName || path.isEmpty() || path != sequencePath_) {
        const QString chosen = program_.prompt().chooseSaveFile(
            {QStringLiteral("Save Test File As..."), fileFilter(*standard_), QStringLiteral("ini"), path});
        if (chosen.isEmpty()) return false;
        if (QFileInfo::exists(chosen) &&
            program_.prompt().ask(
                QStringLiteral("WARNING: File specified already exists.\r\nDo you "
                               "want to overwrite this file?"),
                PromptButtons::YesNo, 1, PromptIcon::Exclamation) != PromptAnswer::Yes)
            return false;
        path = chosen;
    }
    SequenceFile file;
    file.grid = stepGrid();
    file.description = txtTestFileHeader_->text();
    file.phaseDisplay = chkPhaseDisplay_->isChecked();
    for (int c = 0; c < grdSettings_->columnCount(); ++c)
        file.widths.push_back(100.0 * grdSettings_->columnWidth(c) /
                              std::max(1, grdSettings_->viewport()->width()));
    QString error;
    if (!WriteSequenceFile(path, file, program_.decimalSeparator, error)) {
        program_.prompt().showMessage(QStringLiteral("ERROR: Test file save failed."),
                                      PromptIcon::Critical);
        status(error);
        return false;
    }
    sequencePath_ = path;
    dirty_ = false;
    status(QStringLiteral("Test sequence file saved as ") + QFileInfo(path).fileName());
    return true;
}

void frmTestTables::fillUserData() {
    const std::pair<const char*, QLineEdit*> fields[] = {
        {"eut", txtEUT_},          {"operator", txtTestedBy_}, {"comment", txtComment_},
        {"site", txtSite_},        {"temp", txtTemp_},         {"humidity", txtHumidity_},
        {"pressure", txtPressure_}};
    for (const auto& [name, edit] : fields)
        SetUserDataField(record_, QString::fromLatin1(name), edit->text());
    SetUserDataField(record_, QStringLiteral("observations"), txtObservations_->toPlainText());
    const PowerGroup& g = standard_->groups[static_cast<size_t>(group_)];
    record_.library = cmbAirFrame_->itemText(library_);
    record_.revision = QString(QChar(u'A' + standard_->revisionIndex(library_)));
    record_.groupName = g.reportName;
    record_.groupCaption = g.caption;
    record_.testLabel = testLabel_;
    record_.threePhase = conditions().threePhase;
    record_.dcMode = conditions().dcMode;
    record_.structureTable.clear();
    if (structure_) {
        record_.structureTable << QStringList{QString()} + structure_->headers;
        for (size_t r = 0; r < structure_->rows.size(); ++r)
            record_.structureTable << QStringList{QString::number(r + 1)} + structure_->rows[r];
    }
    const StepGrid g2 = stepGrid();
    record_.stepTable = {g2.headers};
    for (const QStringList& row : g2.rows)
        record_.stepTable << row;
    if (record_.eut.isEmpty()) record_.eut = eut_;
}

void frmTestTables::setPrintEnabled(bool on) {
    cmdPrint_->setEnabled(on);
    if (QAction* a = findChild<QAction*>(QStringLiteral("mnuFPrint"))) a->setEnabled(on);
}

void frmTestTables::printReport() {
    if (!cmdPrint_->isEnabled()) return;
    QDir().mkpath(program_.paths.userFile(QStringLiteral("Reports")));
    status(QStringLiteral("Printing Report, please wait..."));
    fillUserData();
    if (record_[FieldProgramTitle].isEmpty()) {
        record_[FieldProgramTitle] = program_.messageTitle + u' ' + QStringLiteral(OSTREL_VERSION);
        record_[FieldTestResult] = resultText_;
        record_[FieldTimeEnded] = QStringLiteral("NONE");
    }
    const PowerGroup& group = standard_->groups[static_cast<size_t>(group_)];
    if (program_.settings.report.reportFormat == ReportDocument && !group.reportTemplate.isEmpty()) {
        printDocumentReport(group);
        return;
    }
    const QString path = program_.prompt().chooseSaveFile(
        {QStringLiteral("Save Test Report As..."),
         QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"), QStringLiteral("txt"),
         program_.paths.userFile(QStringLiteral("Reports/report.txt"))});
    if (path.isEmpty()) return;
    QString error;
    if (!WritePlainTextReport(path, record_, QDateTime::currentDateTime(),
                              QStringLiteral(OSTREL_VERSION), error)) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    status(QStringLiteral("Print processing: Completed."));
}


void frmTestTables::printDocumentReport(const PowerGroup& group) {
    status(QStringLiteral("Print processing: Initializing MS word file."));
    TableReportInput input;
    input.record = record_;
    input.programVersion = QStringLiteral(OSTREL_VERSION);
    input.model = program_.sourceModel.ModelName;
    input.serialNumber = program_.sourceModel.SerialNumber;
    input.inputNotes = txtInput_->toPlainText();
    input.printed = QDateTime::currentDateTime();
    if (!record_.eut.isEmpty()) {
        // Every phase's record and spectrum, drawn as the window draws them.
        for (int p = 0; p < 3; ++p) {
            input.waveformPng[static_cast<size_t>(p)] = PhaseGraphPng(record_.eut.last(), p, false);
            input.harmonicPng[static_cast<size_t>(p)] = PhaseGraphPng(record_.eut.last(), p, true);
        }
    }
    status(QStringLiteral("Print processing: ") + standard_->key.toUpper() +
           QStringLiteral(" Test Power Group ") + record_.groupName);
    const ReportMade made = MakeDocumentReport(
        program_.prompt(), program_.settings.report, program_.paths, TableReportJob(group, input),
        static_cast<int>(QRandomGenerator::global()->bounded(kTableReportNumbers)));
    if (made.written) status(QStringLiteral("Print processing: Completed."));
}

void frmTestTables::closeEvent(QCloseEvent* event) {
    if (run_) {
        // The run unwinds first (abort and restore); the window goes after.
        closeAfterRun_ = true;
        abortTest();
        event->ignore();
        return;
    }
    if (measuring_) {
        measAbort_ = true;
        event->ignore();
        return;
    }
    if (dirty_) {
        const PromptAnswer a = program_.prompt().ask(
            QStringLiteral("You made changes to the test parameters.\r\nWould you like to save "
                           "these changes?"),
            PromptButtons::YesNo, 0, PromptIcon::Question);
        if (a == PromptAnswer::Yes) {
            saveFile(true);
            event->ignore();
            return;
        }
    }
    ResetLists(program_);
    // The next opening starts on this revision when its library is still there.
    program_.store().SaveSetting(QStringLiteral("UserPreferences"), standard_->revisionPreference,
                                 QString::number(standard_->revisionIndex(library_)));
    event->accept();
}

} // namespace ostrel
