// The controls of a standard test window and their wiring.
#include "standards/frmTestTables.h"

#include "app/ControlArrays.h"
#include "measure/GraphView.h"
#include "standards/TestStandard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>

namespace ostrel {

namespace {

QLineEdit* readout(QWidget* parent, const QString& name, int index = -1) {
    auto* e = Named(new QLineEdit(parent), name, index);
    e->setReadOnly(true);
    e->setMinimumWidth(70);
    return e;
}

QTableWidget* table(QWidget* parent, const QString& name, int index = -1) {
    auto* t = Named(new QTableWidget(parent), name, index);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->setVisible(false);
    t->verticalHeader()->setDefaultSectionSize(22);
    return t;
}

} // namespace

void frmTestTables::build() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    tabSections_ = Named(new QTabWidget(central), QStringLiteral("tabSections"));
    tabSections_->addTab(buildSelection(), QStringLiteral("Test Selection"));
    tabSections_->addTab(buildControl(), QStringLiteral("Test Control"));
    tabSections_->addTab(buildMeasurements(), QStringLiteral("EUT Measurements"));
    tabSections_->addTab(buildReportPage(), QStringLiteral("Report Data"));
    lblDemoMode_ =
        Named(new QLabel(QStringLiteral("DEMO"), central), QStringLiteral("lblDemoMode"));
    lblDemoMode_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    auto* top = new QHBoxLayout;
    top->addWidget(lblDemoMode_);
    top->addStretch();
    layout->addLayout(top);
    layout->addWidget(tabSections_);
    setCentralWidget(central);
    buildMenus();
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    resize(1180, 800);
}

QWidget* frmTestTables::buildSelection() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Test library:"), page));
    cmbAirFrame_ = Named(new QComboBox(page), QStringLiteral("cmbAirFrame"));
    cmbAirFrame_->setMinimumWidth(260);
    row->addWidget(cmbAirFrame_);
    row->addStretch();
    layout->addLayout(row);

    auto* body = new QHBoxLayout;
    QStringList captions;
    for (const PowerGroup& g : standard_->groups)
        captions << g.caption;
    optTestTable_ = OptionArray(page, QStringLiteral("optTestTable"), captions);
    body->addWidget(OptionBox(page, QStringLiteral("Power group"), optTestTable_));
    auto* right = new QVBoxLayout;
    lblTestGroup_ = Named(new QLabel(page), QStringLiteral("lblTestGroup"));
    lblTestGroup_->setStyleSheet(QStringLiteral("font-weight: bold;"));
    lblTableHeader_ = Named(new QLabel(page), QStringLiteral("lblTableHeader"));
    grdTestNumbers_ = table(page, QStringLiteral("grdTestNumbers"));
    grdTestNumbers_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    right->addWidget(lblTestGroup_);
    right->addWidget(lblTableHeader_);
    right->addWidget(grdTestNumbers_, 1);
    body->addLayout(right, 1);
    layout->addLayout(body, 1);

    connect(cmbAirFrame_, &QComboBox::currentIndexChanged, this, &frmTestTables::chooseLibrary);
    connect(optTestTable_, &QButtonGroup::idClicked, this, &frmTestTables::chooseGroup);
    connect(grdTestNumbers_, &QTableWidget::cellClicked, this, [this](int r, int) {
        if (!running()) selectTest(r + 1);
    });
    return page;
}

QWidget* frmTestTables::buildControl() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    txtTestFileHeader_ = Named(new QLineEdit(page), QStringLiteral("txtTestFileHeader"));
    layout->addWidget(txtTestFileHeader_);
    grdSettings_ = table(page, QStringLiteral("grdSettings"));
    grdSettings_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grdSettings_, 3);
    txtDescription_ = Named(new QPlainTextEdit(page), QStringLiteral("txtDescription"));
    txtDescription_->setReadOnly(true);
    txtDescription_->setMaximumHeight(54);
    layout->addWidget(txtDescription_);

    auto* lower = new QHBoxLayout;
    fraExecOptions_ = Named(new QGroupBox(QStringLiteral("Execution options"), page),
                            QStringLiteral("fraExecOptions"));
    auto* options = new QGridLayout(fraExecOptions_);
    optExecutionControl_ =
        OptionArray(fraExecOptions_, QStringLiteral("optExecutionControl"),
                    {QStringLiteral("Execute all steps"), QStringLiteral("Single Step"),
                     QStringLiteral("Loop on Step")});
    for (int i = 0; i < 3; ++i)
        options->addWidget(optExecutionControl_->button(i), i, 0);
    optExecutionControl_->button(0)->setChecked(true);
    auto* trigger = new QButtonGroup(fraExecOptions_);
    optFuncStrobe_ = Named(new QRadioButton(QStringLiteral("List"), fraExecOptions_),
                           QStringLiteral("optFuncStrobe"));
    optTrigOut_ = Named(new QRadioButton(QStringLiteral("BoT"), fraExecOptions_),
                        QStringLiteral("optTrigOut"));
    trigger->addButton(optFuncStrobe_);
    trigger->addButton(optTrigOut_);
    optFuncStrobe_->setChecked(true);
    options->addWidget(new QLabel(QStringLiteral("Trigger out:"), fraExecOptions_), 0, 1);
    options->addWidget(optFuncStrobe_, 1, 1);
    options->addWidget(optTrigOut_, 2, 1);
    chkReturnSteady_ =
        Named(new QCheckBox(QStringLiteral("Revert to Steady State on Abort"), fraExecOptions_),
              QStringLiteral("chkReturnSteady"));
    chkReturnSteady_->setChecked(true);
    chkAutoAcquire_ = Named(
        new QCheckBox(QStringLiteral("Auto-acquire EUT Data after execution"), fraExecOptions_),
        QStringLiteral("chkAutoAcquire"));
    chkPhaseDisplay_ = Named(new QCheckBox(QStringLiteral("Show Phase B, C data"), fraExecOptions_),
                             QStringLiteral("chkPhaseDisplay"));
    options->addWidget(chkReturnSteady_, 0, 2);
    options->addWidget(chkAutoAcquire_, 1, 2);
    options->addWidget(chkPhaseDisplay_, 2, 2);
    lower->addWidget(fraExecOptions_);

    auto* settings = new QGroupBox(QStringLiteral("Steady state"), page);
    auto* grid = new QGridLayout(settings);
    txtOutputMode_ = readout(settings, QStringLiteral("txtOutputMode"));
    txtCurrent_ = readout(settings, QStringLiteral("txtCurrent"));
    grid->addWidget(new QLabel(QStringLiteral("Mode:"), settings), 0, 0);
    grid->addWidget(txtOutputMode_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Current limit (A):"), settings), 0, 2);
    grid->addWidget(txtCurrent_, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Volts"), settings), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("Phase"), settings), 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("Wave"), settings), 4, 0);
    for (int p = 0; p < 3; ++p) {
        const auto i = static_cast<size_t>(p);
        grid->addWidget(new QLabel(QString(QChar(u'A' + p)), settings), 1, p + 1, Qt::AlignHCenter);
        txtVoltage_[i] = readout(settings, QStringLiteral("txtVoltage"), p);
        txtPhaseAngle_[i] = readout(settings, QStringLiteral("txtPhaseAngle"), p);
        cmbWaveform_[i] = Named(new QComboBox(settings), QStringLiteral("cmbWaveform"), p);
        cmbWaveform_[i]->setEnabled(false);
        grid->addWidget(txtVoltage_[i], 2, p + 1);
        grid->addWidget(txtPhaseAngle_[i], 3, p + 1);
        grid->addWidget(cmbWaveform_[i], 4, p + 1);
    }
    lower->addWidget(settings);

    auto* buttons = new QGridLayout;
    cmdStart_ = Named(new QPushButton(QStringLiteral("Start selected test"), page),
                      QStringLiteral("cmdStart"));
    cmdAbort_ = Named(new QPushButton(QStringLiteral("Abort test in progress"), page),
                      QStringLiteral("cmdAbort"));
    cmdOutputOn_ =
        Named(new QPushButton(QStringLiteral("Output On"), page), QStringLiteral("cmdOutputOn"));
    cmdOutputOff_ =
        Named(new QPushButton(QStringLiteral("Output Off"), page), QStringLiteral("cmdOutputOff"));
    cmdPrint_ =
        Named(new QPushButton(QStringLiteral("Print report"), page), QStringLiteral("cmdPrint"));
    cmdAbort_->setEnabled(false);
    buttons->addWidget(cmdStart_, 0, 0);
    buttons->addWidget(cmdAbort_, 1, 0);
    buttons->addWidget(cmdOutputOn_, 0, 1);
    buttons->addWidget(cmdOutputOff_, 1, 1);
    buttons->addWidget(cmdPrint_, 2, 0);
    lower->addLayout(buttons);
    layout->addLayout(lower);

    auto* progress = new QGridLayout;
    lblProgressTest_ = Named(new QLabel(page), QStringLiteral("lblProgressTest"));
    lblProgressStep_ = Named(new QLabel(page), QStringLiteral("lblProgressStep"));
    pgbProgressTest_ = Named(new QProgressBar(page), QStringLiteral("pgbProgressTest"));
    pgbProgressStep_ = Named(new QProgressBar(page), QStringLiteral("pgbProgressStep"));
    for (QLabel* l : {lblProgressTest_, lblProgressStep_})
        l->setStyleSheet(QStringLiteral("font-family: monospace;"));
    lblTestInProgress_ = Named(new QLabel(QStringLiteral("TEST IN PROGRESS"), page),
                               QStringLiteral("lblTestInProgress"));
    lblTestInProgress_->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    lblTestInProgress_->setVisible(false);
    progress->addWidget(lblProgressTest_, 0, 0);
    progress->addWidget(pgbProgressTest_, 0, 1);
    progress->addWidget(lblProgressStep_, 1, 0);
    progress->addWidget(pgbProgressStep_, 1, 1);
    progress->addWidget(lblTestInProgress_, 0, 2, 2, 1);
    layout->addLayout(progress);

    connect(cmdStart_, &QPushButton::clicked, this, &frmTestTables::startTest);
    connect(cmdAbort_, &QPushButton::clicked, this, &frmTestTables::abortTest);
    connect(cmdOutputOn_, &QPushButton::clicked, this, &frmTestTables::outputOn);
    connect(cmdOutputOff_, &QPushButton::clicked, this, &frmTestTables::outputOff);
    connect(cmdPrint_, &QPushButton::clicked, this, &frmTestTables::printReport);
    connect(chkPhaseDisplay_, &QCheckBox::toggled, this, [this] { applyColumns(); });
    connect(grdSettings_, &QTableWidget::cellClicked, this,
            [this](int r, int) { stepSelected(r + 1); });
    connect(grdSettings_, &QTableWidget::itemChanged, this, [this] {
        if (!filling_) dirty_ = true;
    });
    return page;
}

QWidget* frmTestTables::buildMeasurements() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Test frequency:"), page));
    cmbTestFrequency_ = Named(new QComboBox(page), QStringLiteral("cmbTestFrequency"));
    controls->addWidget(cmbTestFrequency_);
    cmdAutoAcquire_ = Named(new QPushButton(QStringLiteral("Acquire EUT Data"), page),
                            QStringLiteral("cmdAutoAcquire"));
    cmdUpdateMeas_ =
        Named(new QPushButton(QStringLiteral("Update"), page), QStringLiteral("cmdUpdateMeas"));
    cmdResetPeak_ =
        Named(new QPushButton(QStringLiteral("Reset Peak"), page), QStringLiteral("cmdResetPeak"));
    cmdMeasAbort_ =
        Named(new QPushButton(QStringLiteral("Stop"), page), QStringLiteral("cmdMeasAbort"));
    for (QPushButton* b : {cmdAutoAcquire_, cmdUpdateMeas_, cmdResetPeak_, cmdMeasAbort_})
        controls->addWidget(b);
    controls->addStretch();
    layout->addLayout(controls);

    auto* upper = new QHBoxLayout;
    auto* fields = new QGridLayout;
    lblFreqMeas_ = Named(new QLabel(QStringLiteral("Hz"), page), QStringLiteral("lblFreqMeas"));
    txtFreqMeas_ = readout(page, QStringLiteral("txtFreqMeas"));
    fields->addWidget(new QLabel(QStringLiteral("Frequency:"), page), 0, 0);
    fields->addWidget(txtFreqMeas_, 0, 1);
    fields->addWidget(lblFreqMeas_, 0, 2);
    for (int p = 0; p < 3; ++p)
        fields->addWidget(new QLabel(QStringLiteral("Phase ") + QChar(u'A' + p), page), 1, p + 1);
    lblVoltRMS_ = Named(new QLabel(page), QStringLiteral("lblVoltRMS"));
    lblCurrRMS_ = Named(new QLabel(page), QStringLiteral("lblCurrRMS"));
    lblPowerlev_ = Named(new QLabel(page), QStringLiteral("lblPowerlev"));
    lblCurrDistortion_ = Named(new QLabel(QStringLiteral("Curr THD (%):"), page),
                               QStringLiteral("lblCurrDistortion"));
    lblVoltDistortion_ = Named(new QLabel(QStringLiteral("Volt THD (%):"), page),
                               QStringLiteral("lblVoltDistortion"));
    const std::pair<QLabel*, std::array<QLineEdit*, 3>*> rows[] = {
        {lblVoltRMS_, &txtVoltRMS_},
        {lblCurrRMS_, &txtCurrRMS_},
        {lblPowerlev_, &txtPowerLev_},
        {new QLabel(QStringLiteral("Peak Curr (A):"), page), &txtInrush_},
        {new QLabel(QStringLiteral("Power Factor:"), page), &txtPowerFactor_},
        {lblCurrDistortion_, &txtCurrDistortion_},
        {lblVoltDistortion_, &txtVoltDistortion_},
    };
    const char* names[] = {"txtVoltRMS",     "txtCurrRMS",        "txtPowerLev",      "txtInrush",
                           "txtPowerFactor", "txtCurrDistortion", "txtVoltDistortion"};
    for (int i = 0; i < 7; ++i) {
        fields->addWidget(rows[i].first, i + 2, 0);
        for (int p = 0; p < 3; ++p) {
            (*rows[i].second)[static_cast<size_t>(p)] =
                readout(page, QString::fromLatin1(names[i]), p);
            fields->addWidget((*rows[i].second)[static_cast<size_t>(p)], i + 2, p + 1);
        }
    }
    if (standard_->harmonicPhaseReadings) {
        // The phase of current harmonic 1, read after each phase's spectrum.
        fields->addWidget(new QLabel(QStringLiteral("Curr Phase (deg):"), page), 9, 0);
        for (int p = 0; p < 3; ++p) {
            txtCurrPhase_[static_cast<size_t>(p)] = readout(page, QStringLiteral("txtCurrPhase"), p);
            fields->addWidget(txtCurrPhase_[static_cast<size_t>(p)], 9, p + 1);
        }
    }
    upper->addLayout(fields);

    auto* totals = new QFormLayout;
    lblUnBal_ = Named(new QLabel(page), QStringLiteral("lblUnBal"));
    txtVATotal_ = readout(page, QStringLiteral("txtVATotal"));
    txtUnbalance_ = readout(page, QStringLiteral("txtUnbalance"));
    txtPFLeadLimit_ = readout(page, QStringLiteral("txtPFLeadLimit"));
    txtPFLagLimit_ = readout(page, QStringLiteral("txtPFLagLimit"));
    txtPFResult_ = readout(page, QStringLiteral("txtPFResult"));
    lblCDistLimit_ = Named(new QLabel(QStringLiteral("Curr THD limit (%):"), page),
                           QStringLiteral("lblCDistLimit"));
    txtCDistLimit_ = readout(page, QStringLiteral("txtCDistLimit"));
    txtCDistResult_ = readout(page, QStringLiteral("txtCDistResult"));
    totals->addRow(lblUnBal_, txtVATotal_);
    totals->addRow(QStringLiteral("Unbalance %"), txtUnbalance_);
    totals->addRow(QStringLiteral("PF lead limit"), txtPFLeadLimit_);
    totals->addRow(QStringLiteral("PF lag limit"), txtPFLagLimit_);
    totals->addRow(QStringLiteral("PF result"), txtPFResult_);
    totals->addRow(lblCDistLimit_, txtCDistLimit_);
    totals->addRow(QStringLiteral("THD result"), txtCDistResult_);
    upper->addLayout(totals);
    pegoCurrent_ = Named(new GraphView(page), QStringLiteral("pegoCurrent"));
    pegoSpectrum_ = Named(new GraphView(page), QStringLiteral("pegoSpectrum"));
    pegoCurrent_->setMinimumSize(280, 200);
    pegoSpectrum_->setMinimumSize(280, 200);
    upper->addWidget(pegoCurrent_, 1);
    upper->addWidget(pegoSpectrum_, 1);
    layout->addLayout(upper);

    auto* spectra = new QTabWidget(page);
    for (int p = 0; p < 3; ++p) {
        QTableWidget* t = table(page, QStringLiteral("grdSpectrum"), p);
        t->setEditTriggers(QAbstractItemView::NoEditTriggers);
        t->setColumnCount(7);
        t->setRowCount(kLimitedHarmonics);
        t->setHorizontalHeaderLabels(
            {QStringLiteral("Freq (Hz)"), QStringLiteral("Curr (A)"), QStringLiteral("% Fund [E]"),
             QStringLiteral("Limit [B]"), QStringLiteral("% VFund [C]"),
             QStringLiteral("Revised Lim [D]"), QStringLiteral("P/F [F]")});
        t->verticalHeader()->setVisible(true);
        t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        grdSpectrum_[static_cast<size_t>(p)] = t;
        spectra->addTab(t,
                        QStringLiteral("Phase ") + QChar(u'A' + p) + QStringLiteral(" harmonics"));
    }
    layout->addWidget(spectra, 1);

    connect(cmbTestFrequency_, &QComboBox::currentIndexChanged, this,
            &frmTestTables::testFrequencyChosen);
    connect(cmdAutoAcquire_, &QPushButton::clicked, this, &frmTestTables::acquireSweep);
    connect(cmdUpdateMeas_, &QPushButton::clicked, this, [this] {
        if (running() || measuring_) return;
        acquireOnce();
    });
    connect(cmdResetPeak_, &QPushButton::clicked, this, &frmTestTables::resetPeak);
    connect(cmdMeasAbort_, &QPushButton::clicked, this, [this] { measAbort_ = true; });
    return page;
}

QWidget* frmTestTables::buildReportPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const auto line = [&](const char* name, const char* label) {
        auto* e = Named(new QLineEdit(page), QString::fromLatin1(name));
        form->addRow(QString::fromLatin1(label), e);
        return e;
    };
    txtEUT_ = line("txtEUT", "EUT description:");
    txtTestedBy_ = line("txtTestedBy", "Test operator:");
    txtComment_ = line("txtComment", "Comment:");
    txtSite_ = line("txtSite", "Test site:");
    txtTemp_ = line("txtTemp", "Ambient temperature:");
    txtHumidity_ = line("txtHumidity", "Relative humidity:");
    txtPressure_ = line("txtPressure", "Pressure:");
    txtObservations_ = Named(new QPlainTextEdit(page), QStringLiteral("txtObservations"));
    txtInput_ = Named(new QPlainTextEdit(page), QStringLiteral("txtInput"));
    form->addRow(QStringLiteral("Observations:"), txtObservations_);
    form->addRow(QStringLiteral("Input notes:"), txtInput_);
    return page;
}

void frmTestTables::buildMenus() {
    const auto add = [this](QMenu* menu, const char* name, const char* text, auto slot) {
        QAction* a = menu->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, "mnuFNew", "&New", [this] { newFile(); });
    add(file, "mnuFOpen", "&Open...", [this] { openFile(); });
    add(file, "mnuFSave", "&Save", [this] { saveFile(false); });
    add(file, "mnuFSAs", "Save &As...", [this] { saveFile(true); });
    add(file, "mnuFPrint", "&Print report...", [this] { printReport(); });
    add(file, "mnuFExit", "E&xit", [this] { close(); });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, "mnuECopy", "&Copy row", [this] { editRows(QStringLiteral("copy")); });
    add(edit, "mnuECut", "Cu&t row", [this] { editRows(QStringLiteral("cut")); });
    add(edit, "mnuEPaste", "&Paste row", [this] { editRows(QStringLiteral("paste")); });
    add(edit, "mnuEInsert", "&Insert row", [this] { editRows(QStringLiteral("insert")); });
    add(edit, "mnuEDelete", "&Delete row", [this] { editRows(QStringLiteral("delete")); });
    QMenu* run = menuBar()->addMenu(QStringLiteral("&Run"));
    add(run, "mnuRStart", "&Start", [this] {
        if (cmdStart_->isEnabled()) startTest();
    });
    add(run, "mnuRAbort", "&Abort", [this] { abortTest(); });
}

} // namespace ostrel
