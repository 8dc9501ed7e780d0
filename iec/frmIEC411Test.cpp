#include "iec/frmIEC411Test.h"

#include "app/ControlArrays.h"
#include "app/EntryRejection.h"
#include "app/EntrySignals.h"
#include "app/WindowPrompt.h"
#include "app/frmMain.h"
#include "config/SaveTarget.h"
#include "core/Program.h"
#include "iec/IecRunReport.h"
#include "iec/IecTrendGraph.h"
#include "link/Numbers.h"
#include "measure/GraphView.h"
#include "reports/IecReport.h"
#include "reports/PrintedReport.h"
#include "reports/ReportNaming.h"
#include "reports/ReportTemplates.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace ostrel {

namespace {

const QString kFilter =
    QStringLiteral("EN 61000-4-11 Voltage Immunity Test (*.411)|*.411|All Files (*.*)|*.*");
const QString kUserLimit = QStringLiteral("WARNING: User Limit violation data entry.\r\n"
                                          "Value reset to maximum user limit setting.");
const QString kCloseQuestion =
    QStringLiteral("You made changes to the EN 61000-4-11 test parameters.\r\n"
                   "Would you like to save these changes?");
const QStringList kDipHeaders{QStringLiteral("Dip to % Unom"), QStringLiteral("Cycles"),
                              QStringLiteral("Start Phase"),   QStringLiteral("No. Dips"),
                              QStringLiteral("Gap (s)"),       QStringLiteral("Delay (s)")};
const QStringList kVarHeaders{QStringLiteral("Level %Unom"), QStringLiteral("Td (cycles)"),
                              QStringLiteral("Ts (cycles)"), QStringLiteral("Ti (cycles)"),
                              QStringLiteral("No. Vars"),    QStringLiteral("Delay (s)")};

QString shown(double x, QStringView mask, QChar separator) {
    QString t = FormatNumber(x, mask);
    if (separator != QLatin1Char('.')) t.replace(QLatin1Char('.'), separator);
    return t;
}


} // namespace

frmIEC411Test::frmIEC411Test(Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmIEC411Test"));
    setWindowTitle(QStringLiteral("EN 61000-4-11 Voltage Dips and Interruptions Test"));
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    buildMenus();
    showFile(base_);
    tmrMeas_ = Named(new QTimer(this), QStringLiteral("tmrMeas"));
    connect(tmrMeas_, &QTimer::timeout, this, &frmIEC411Test::measureTick);
    tmrMeas_->start(base_.measUpdateRate);
}

frmIEC411Test::~frmIEC411Test() {
    DisconnectEntries(*this);
}

void frmIEC411Test::build() {
    auto* central = new QWidget(this);
    auto* layout = new QGridLayout(central);

    auto* setup = new QGroupBox(QStringLiteral("Test parameters"), central);
    auto* form = new QFormLayout(setup);
    const QStringList labels{
        QStringLiteral("Nominal voltage (V)"),      QStringLiteral("Nominal frequency (Hz)"),
        QStringLiteral("No. Dips / Vars"),          QStringLiteral("Gap (s)"),
        QStringLiteral("Inter-sequence delay (s)"), QStringLiteral("Update rate (ms)"),
        QStringLiteral("Pre-test delay (s)")};
    for (int i = 0; i < ParmCount; ++i) {
        txtParm_[i] = Named(new QLineEdit(setup), QStringLiteral("txtParm"), i);
        form->addRow(labels[i], txtParm_[i]);
        connect(txtParm_[i], &QLineEdit::editingFinished, this, [this, i] { parmEdited(i); });
    }
    cboUserPrompt_ = Named(new QComboBox(setup), QStringLiteral("cboUserPrompt"));
    cboUserPrompt_->addItems({kIecPausePrompt, kIecDelayText});
    form->addRow(QStringLiteral("Between sequences"), cboUserPrompt_);
    connect(cboUserPrompt_, &QComboBox::currentIndexChanged, this, [this] { markChanged(); });
    chkPeakCurrent_ = Named(new QCheckBox(QStringLiteral("Peak inrush current pre-test"), setup),
                            QStringLiteral("chkPeakCurrent"));
    form->addRow(chkPeakCurrent_);
    connect(chkPeakCurrent_, &QCheckBox::toggled, this, [this] { markChanged(); });
    lblPeakCurrent_ = Named(new QLabel(setup), QStringLiteral("lblPeakCurrent"));
    form->addRow(lblPeakCurrent_);
    layout->addWidget(setup, 0, 0, 2, 1);

    QList<QRadioButton*> buttons;
    optLevel_ = OptionArray(
        central, QStringLiteral("optLevel"),
        {QStringLiteral("Voltage dips and interruptions"), QStringLiteral("Voltage variations")},
        &buttons);
    buttons[0]->setChecked(true);
    auto* choice = OptionBox(central, QStringLiteral("Test"), optLevel_);
    lblTestTime_ = Named(new QLabel(choice), QStringLiteral("lblTestTime"));
    choice->layout()->addWidget(lblTestTime_);
    connect(optLevel_, &QButtonGroup::idClicked, this, [this] { updateTestTime(); });
    layout->addWidget(choice, 0, 1);

    auto* readings = new QGroupBox(QStringLiteral("Readings"), central);
    auto* rl = new QFormLayout(readings);
    lblVolts_ = Named(new QLabel(QStringLiteral("-"), readings), QStringLiteral("lblVolts"));
    lblAmps_ = Named(new QLabel(QStringLiteral("-"), readings), QStringLiteral("lblAmps"));
    lblResult_ = Named(new QLabel(readings), QStringLiteral("lblResult"));
    QFont big = lblResult_->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    lblResult_->setFont(big);
    rl->addRow(QStringLiteral("Voltage (V)"), lblVolts_);
    rl->addRow(QStringLiteral("Current (A)"), lblAmps_);
    rl->addRow(QStringLiteral("Result"), lblResult_);
    layout->addWidget(readings, 1, 1);

    grdSequence_ =
        Named(new QTableWidget(0, int(kDipHeaders.size()), central), QStringLiteral("grdSequence"));
    grdSequence_->setHorizontalHeaderLabels(kDipHeaders);
    grdSequence_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdVariation_ = Named(new QTableWidget(kIecVariationRows, int(kVarHeaders.size()), central),
                          QStringLiteral("grdVariation"));
    grdVariation_->setHorizontalHeaderLabels(kVarHeaders);
    grdVariation_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdVariation_->setMaximumHeight(110);
    connect(grdSequence_, &QTableWidget::cellChanged, this, [this] { markChanged(); });
    // Td, Ts and Ti are one value each for both rows: an edit shows in the other row.
    connect(grdVariation_, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!loading_ && column >= 1 && column <= 3) {
            const QString text = grdVariation_->item(row, column)->text();
            loading_ = true;
            grdVariation_->setItem(1 - row, column, new QTableWidgetItem(text));
            loading_ = false;
        }
        markChanged();
    });
    layout->addWidget(grdSequence_, 2, 0, 1, 2);
    layout->addWidget(grdVariation_, 3, 0, 1, 2);

    txtObservation_ = Named(new QPlainTextEdit(central), QStringLiteral("txtObservation"));
    txtObservation_->setMaximumHeight(70);
    txtObservation_->viewport()->installEventFilter(this);
    layout->addWidget(txtObservation_, 4, 0, 1, 2);

    auto* row = new QHBoxLayout;
    cmdStart_ =
        Named(new QPushButton(QStringLiteral("Start"), central), QStringLiteral("cmdStart"));
    cmdAbort_ =
        Named(new QPushButton(QStringLiteral("Abort"), central), QStringLiteral("cmdAbort"));
    cmdPrint_ =
        Named(new QPushButton(QStringLiteral("Report"), central), QStringLiteral("cmdPrint"));
    cmdAbort_->setEnabled(false);
    lblStatus_ = Named(new QLabel(central), QStringLiteral("lblStatus"));
    row->addWidget(cmdStart_);
    row->addWidget(cmdAbort_);
    row->addWidget(cmdPrint_);
    row->addWidget(lblStatus_, 1);
    layout->addLayout(row, 5, 0, 1, 2);
    connect(cmdStart_, &QPushButton::clicked, this, &frmIEC411Test::startTest);
    connect(cmdAbort_, &QPushButton::clicked, this, &frmIEC411Test::abortTest);
    connect(cmdPrint_, &QPushButton::clicked, this, &frmIEC411Test::printReport);
    setCentralWidget(central);
    resize(860, 720);
}

void frmIEC411Test::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    const auto add = [this](QMenu* menu, const QString& name, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(file, QStringLiteral("mnuFNew"), QStringLiteral("&New"), [this] { newFile(); });
    add(file, QStringLiteral("mnuFOpen"), QStringLiteral("Open IEC Test File..."),
        [this] { openFile(); });
    add(file, QStringLiteral("mnuFSave"), QStringLiteral("&Save"),
        [this] { saveFile(path_.isEmpty()); });
    add(file, QStringLiteral("mnuFSAs"), QStringLiteral("Save IEC Test File..."),
        [this] { saveFile(true); });
    add(file, QStringLiteral("mnuFPrint"), QStringLiteral("&Print Report..."),
        [this] { printReport(); });
    QMenu* run = menuBar()->addMenu(QStringLiteral("&Run"));
    add(run, QStringLiteral("mnuRAll"), QStringLiteral("&Start Test"), [this] { startTest(); });
    add(run, QStringLiteral("mnuRAbort"), QStringLiteral("&Abort Test"), [this] { abortTest(); });
}

IecTable frmIEC411Test::table() const {
    return optLevel_->checkedId() == 1 ? IecTable::Variations : IecTable::Dips;
}

void frmIEC411Test::showFile(const IecTestFile& f) {
    loading_ = true;
    const QChar sep = program_.decimalSeparator;
    txtParm_[ParmVoltage]->setText(shown(f.voltage, u"##0.0#", sep));
    txtParm_[ParmFrequency]->setText(shown(f.frequency, u"##0.0#", sep));
    txtParm_[ParmRepeat]->setText(QString::number(f.seqRepeat));
    txtParm_[ParmDuration]->setText(QString::number(f.seqDuration));
    txtParm_[ParmInterDelay]->setText(QString::number(f.interSeqDelay));
    txtParm_[ParmMeasRate]->setText(QString::number(f.measUpdateRate));
    txtParm_[ParmPreTest]->setText(QString::number(f.preTestDelay));
    cboUserPrompt_->setCurrentIndex(f.pauses() ? 0 : 1);
    chkPeakCurrent_->setChecked(f.includePeak);
    grdSequence_->setRowCount(int(f.dips.size()));
    for (int r = 0; r < int(f.dips.size()); ++r) {
        const IecDip& d = f.dips[size_t(r)];
        const QStringList cells{QString::number(d.level),           shown(d.cycles, u"0.0##", sep),
                                shown(d.startPhase, u"##0.0", sep), QString::number(f.seqRepeat),
                                QString::number(f.seqDuration),     QString::number(d.delay)};
        for (int c = 0; c < cells.size(); ++c)
            grdSequence_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    for (int r = 0; r < kIecVariationRows; ++r) {
        const IecVariation& v = f.variations[size_t(r)];
        const QStringList cells{QString::number(v.level),         shown(f.fallTime, u"0.0##", sep),
                                shown(f.holdTime, u"0.0##", sep), shown(f.riseTime, u"0.0##", sep),
                                QString::number(f.seqRepeat),     QString::number(v.delay)};
        for (int c = 0; c < cells.size(); ++c)
            grdVariation_->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    lblPeakCurrent_->clear();
    loading_ = false;
    updateTestTime();
}

IecTestFile frmIEC411Test::testFile() const {
    IecTestFile f = base_;
    const QChar sep = program_.decimalSeparator;
    const auto num = [sep](const QString& t) { return double(ParseSingle(t.trimmed(), sep)); };
    const auto cell = [](const QTableWidget* g, int r, int c) {
        return g->item(r, c) ? g->item(r, c)->text() : QString();
    };
    f.voltage = num(txtParm_[ParmVoltage]->text());
    f.frequency = num(txtParm_[ParmFrequency]->text());
    f.seqRepeat = int(num(txtParm_[ParmRepeat]->text()));
    f.seqDuration = int(num(txtParm_[ParmDuration]->text()));
    f.interSeqDelay = int(num(txtParm_[ParmInterDelay]->text()));
    f.measUpdateRate = int(num(txtParm_[ParmMeasRate]->text()));
    f.preTestDelay = int(num(txtParm_[ParmPreTest]->text()));
    f.userPrompt = cboUserPrompt_->currentText();
    f.includePeak = chkPeakCurrent_->isChecked();
    f.dips.clear();
    for (int r = 0; r < grdSequence_->rowCount(); ++r)
        f.dips.push_back({num(cell(grdSequence_, r, 1)), num(cell(grdSequence_, r, 2)),
                          int(num(cell(grdSequence_, r, 0))), int(num(cell(grdSequence_, r, 5)))});
    for (int r = 0; r < kIecVariationRows; ++r)
        f.variations[size_t(r)] = {int(num(cell(grdVariation_, r, 0))),
                                   int(num(cell(grdVariation_, r, 5)))};
    f.fallTime = num(cell(grdVariation_, 0, 1));
    f.holdTime = num(cell(grdVariation_, 0, 2));
    f.riseTime = num(cell(grdVariation_, 0, 3));
    ClampIecTestFile(f);
    return f;
}

void frmIEC411Test::markChanged() {
    if (loading_) return;
    dirty_ = true;
    updateTestTime();
}

void frmIEC411Test::updateTestTime() {
    IecPlanOptions o;
    o.table = table();
    lblTestTime_->setText(QStringLiteral("Test time = ") +
                          IecTestTimeText(PlanIecTest(testFile(), o).seconds));
}

// A value above its user limit is set back to the limit; a nominal value the
// test cannot use is refused.
void frmIEC411Test::parmEdited(int i) {
    if (loading_) return;
    QLineEdit* e = txtParm_[i];
    const QChar sep = program_.decimalSeparator;
    float x = 0;
    const bool number = TryParseSingle(e->text(), x, sep);
    const UserLimits& limits = program_.settings.userLimits;
    const SourceModel& m = program_.sourceModel;
    double limit = 0;
    switch (i) {
    case ParmVoltage:
        limit = limits.vacHigh;
        if (!number || x == 0) {
            program_.prompt().showMessage(kEntryRejected, PromptIcon::Exclamation);
            e->setText(shown(base_.voltage, u"##0.0#", sep));
            return;
        }
        break;
    case ParmFrequency:
        limit = std::min<double>(limits.freqMax, m.FreqMax);
        if (!number || x <= 0 || x < m.FreqMin) {
            program_.prompt().showMessage(kEntryRejected, PromptIcon::Exclamation);
            e->setText(shown(base_.frequency, u"##0.0#", sep));
            return;
        }
        break;
    case ParmRepeat:
        limit = 60;
        break;
    case ParmDuration:
        limit = std::max(1, 60 / std::max(1, testFile().seqRepeat));
        break;
    case ParmInterDelay:
        limit = 60;
        break;
    default:
        limit = 1e9;
        break;
    }
    if (number && x > limit) {
        program_.prompt().showMessage(kUserLimit, PromptIcon::Exclamation);
        e->setText(FormatNumber(limit, u"##0"));
    }
    if (i == ParmRepeat || i == ParmDuration) {
        loading_ = true;
        for (int r = 0; r < grdSequence_->rowCount(); ++r) {
            grdSequence_->setItem(r, 3, new QTableWidgetItem(txtParm_[ParmRepeat]->text()));
            grdSequence_->setItem(r, 4, new QTableWidgetItem(txtParm_[ParmDuration]->text()));
        }
        for (int r = 0; r < kIecVariationRows; ++r)
            grdVariation_->setItem(r, 4, new QTableWidgetItem(txtParm_[ParmRepeat]->text()));
        loading_ = false;
    }
    if (i == ParmMeasRate) tmrMeas_->setInterval(testFile().measUpdateRate);
    markChanged();
}

void frmIEC411Test::newFile() {
    base_ = IecTestFile{};
    path_.clear();
    showFile(base_);
    dirty_ = false;
}

void frmIEC411Test::openFile() {
    const QString path = program_.prompt().chooseOpenFile(
        {QStringLiteral("Open IEC Test File..."), kFilter, QStringLiteral("411"),
         program_.paths.shippedFile(QStringLiteral("Seq_Test"))});
    if (!path.isEmpty()) loadFile(path);
}

void frmIEC411Test::loadFile(const QString& path) {
    IecTestFile f;
    const OutputState& out = program_.outputState;
    const IecLoad r = LoadIecTestFile(path, f,
                                      {program_.sourceModel.FreqMin, program_.sourceModel.FreqMax,
                                       out.Phase[0].Voltage, out.Frequency});
    if (!r.ok) {
        program_.prompt().showMessage(r.error, PromptIcon::Critical);
        return;
    }
    if (f.nominalUnreadable)
        program_.prompt().showMessage(IecNominalWarning(), PromptIcon::Exclamation);
    base_ = f;
    path_ = path;
    showFile(f);
    dirty_ = false;
    setWindowTitle(QStringLiteral("EN 61000-4-11 Voltage Dips and Interruptions Test - ") +
                   QFileInfo(path).fileName());
}

bool frmIEC411Test::saveFile(bool askName) {
    QString path = path_;
    if (askName || path.isEmpty()) {
        path = program_.prompt().chooseSaveFile(
            {QStringLiteral("Save IEC Test File..."), kFilter, QStringLiteral("411"), path_});
        if (path.isEmpty()) return false;
    }
    path = SaveTargetPath(program_.paths, path);
    QString error;
    const IecTestFile f = testFile();
    if (!SaveIecTestFile(path, f, error)) {
        program_.prompt().showMessage(error, PromptIcon::Critical);
        return false;
    }
    base_ = f;
    path_ = path;
    dirty_ = false;
    return true;
}

void frmIEC411Test::startTest() {
    if (run_) return;
    // testFile() has already clamped every value, Ts and Ti included.
    const IecTestFile f = testFile();
    IecPlanOptions o;
    o.table = table();
    o.threePhase = program_.outputState.MultiPhaseOutput == 1;
    o.advanced = program_.sourceModel.SeriesFamily() == 1;
    IecRunCallbacks c;
    c.status = [this](const QString& s) { lblStatus_->setText(s); };
    c.stepStarted = [this](int row) {
        QTableWidget* g = table() == IecTable::Dips ? grdSequence_ : grdVariation_;
        g->selectRow(row);
    };
    c.reading = [this](const IecReading& r) {
        lblVolts_->setText(r.volts ? FormatNumber(*r.volts, u"##0.00 ") : QStringLiteral("-"));
        lblAmps_->setText(r.amps ? FormatNumber(*r.amps, u"##0.00 ") : QStringLiteral("-"));
    };
    c.inrushText = [this](const QString& t) { lblPeakCurrent_->setText(t); };
    c.outputChanged = [this] {
        if (outputChanged_) outputChanged_();
    };
    run_ = std::make_unique<IecRun>(program_, c);
    cmdStart_->setEnabled(false);
    cmdAbort_->setEnabled(true);
    lblResult_->clear();
    PromptOwner owner(program_.prompt(), this);
    outcome_ = run_->run(f, o);
    run_.reset();
    cmdStart_->setEnabled(true);
    cmdAbort_->setEnabled(false);
    lblResult_->setText(outcome_.end == IecRunEnd::NotStarted ? QString() : outcome_.result);
    if (closeAfterRun_) close();
}

void frmIEC411Test::abortTest() {
    if (run_) run_->requestAbort();
}

// As "ReportFormat" says: printed text, a text file, or a document (.docx + PDF).
void frmIEC411Test::printReport() {
    if (outcome_.started.isNull()) return;
    PromptOwner owner(program_.prompt(), this);
    IecReportInput input = IecRunReportInput(program_, testFile(), path_, table(), outcome_);
    if (!txtObservation_->toPlainText().isEmpty())
        SetUserDataField(input.record, QStringLiteral("observations"),
                         txtObservation_->toPlainText());
    const ReportSettings& settings = program_.settings.report;
    if (settings.reportFormat == 0) {
        QPrinter printer;
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* p) {
            PaintReportLines(IecPrintedReportLines(input), kIecReportTitle, input.printed, *p);
        });
        preview.exec();
        return;
    }
    const bool document = settings.reportFormat == 2;
    if (document) input.trendPng = IecTrendPng(outcome_);
    ReportNaming naming;
    naming.prompt = settings.fileNamePrompt == 1;
    naming.folder = ReportFolder(settings, program_.paths);
    naming.prefix = IecReportPrefix(kIecReportTitle);
    naming.start = int(QRandomGenerator::global()->bounded(100));
    naming.limit = 100;
    naming.extensions = document ? QStringList{QStringLiteral(".docx"), QStringLiteral(".pdf")}
                                 : QStringList{QStringLiteral(".txt")};
    const std::optional<QString> base = ChooseReportBase(program_.prompt(), naming);
    if (!base) return;
    QString error;
    if (!document) {
        if (!WriteIecTextReport(*base + QStringLiteral(".txt"), input, error))
            program_.prompt().showMessage(error, PromptIcon::Critical);
        return;
    }
    const QString templ = FindReportTemplate(program_.paths, IecTemplateName(kIecReportTitle));
    DocumentReportOutcome written;
    if (templ.isEmpty())
        program_.prompt().showMessage(QStringLiteral("No report template %1 was found.")
                                          .arg(IecTemplateName(kIecReportTitle)),
                                      PromptIcon::Critical);
    else if (!WriteIecDocumentReport(input, templ, *base, written, error))
        program_.prompt().showMessage(error, PromptIcon::Critical);
    else if (!written.missingBookmarks.isEmpty())
        program_.prompt().showMessage(MissingBookmarksMessage(templ, written.missingBookmarks),
                                      PromptIcon::Information);
}

// Readings between runs; during a run the run takes them itself, so ticks
// never nest in its conversation and never clear its errors.
void frmIEC411Test::measureTick() {
    if (run_ || program_.testRunning || program_.link.state.queryInProgress) return;
    const IecReading r = ReadIecMeasurement(program_);
    if (!r.volts && !r.amps) return;
    lblVolts_->setText(r.volts ? FormatNumber(*r.volts, u"##0.00 ") : QStringLiteral("-"));
    lblAmps_->setText(r.amps ? FormatNumber(*r.amps, u"##0.00 ") : QStringLiteral("-"));
    if (!r.volts || !r.amps) program_.link.Send(0, QStringLiteral("*CLS"));
}

bool frmIEC411Test::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtObservation_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        txtObservation_->appendPlainText(QStringLiteral("Observations: "));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmIEC411Test::closeEvent(QCloseEvent* event) {
    if (run_) {
        // The run unwinds first (abort and restore); the window goes after.
        closeAfterRun_ = true;
        abortTest();
        event->ignore();
        return;
    }
    if (dirty_) {
        PromptOwner owner(program_.prompt(), this);
        if (program_.prompt().ask(kCloseQuestion, PromptButtons::YesNo, 1, PromptIcon::Question) ==
                PromptAnswer::Yes &&
            !saveFile(path_.isEmpty())) {
            event->ignore();
            return;
        }
    }
    tmrMeas_->stop();
    event->accept();
}

void RegisterIecWindow(frmMain& main, Program& program) {
    main.registerWindow(QStringLiteral("mnuAIEC411"), [&main, &program] {
        auto* window = new frmIEC411Test(program);
        window->onOutputChanged([&main] { main.refreshPanel(); });
        return window;
    });
}

} // namespace ostrel
