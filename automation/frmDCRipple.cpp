#include "automation/frmDCRipple.h"

#include "app/ControlArrays.h"
#include "core/Program.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

frmDCRipple::frmDCRipple(Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program),
      session_(program, {[this] {
                             if (afterRun_) afterRun_();
                         },
                         [this](double elapsed, double total) { showProgress(elapsed, total); }}) {
    setObjectName(QStringLiteral("frmDCRipple"));
    setWindowTitle(QStringLiteral("DO160 DC Ripple Test (18.3.1)"));
    build();
    setRunning(false);
    session_.load();
    showStatus(QStringLiteral("Setting up power source, please wait..."));
}

void frmDCRipple::build() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* settings = new QHBoxLayout;
    optVDCNom_ = OptionArray(central, QStringLiteral("optVDCNom"),
                             {QStringLiteral("28 Vdc"), QStringLiteral("14 Vdc")});
    optVDCNom_->button(0)->setChecked(true);
    settings->addWidget(OptionBox(central, QStringLiteral("Nominal"), optVDCNom_));
    optCategory_ = OptionArray(central, QStringLiteral("optCategory"),
                               {QStringLiteral("A(R), Z"), QStringLiteral("B")});
    optCategory_->button(0)->setChecked(true);
    settings->addWidget(OptionBox(central, QStringLiteral("Category"), optCategory_));
    auto* phases = new QGroupBox(QStringLiteral("Phase"), central);
    phases->setToolTip(QStringLiteral("Select phase(s) to modulate"));
    auto* phaseLayout = new QVBoxLayout(phases);
    const bool three = program_.outputState.MultiPhaseOutput == 1;
    for (int p = 0; p < 3; ++p) {
        chkPhase_[p] =
            Named(new QCheckBox(QString(QChar(u'A' + p)), phases), QStringLiteral("chkPhase"), p);
        chkPhase_[p]->setChecked(p == 0 || three);
        chkPhase_[p]->setEnabled(p == 0 || three);
        phaseLayout->addWidget(chkPhase_[p]);
    }
    settings->addWidget(phases);

    auto* buttons = new QGridLayout;
    cmdStart_ =
        Named(new QPushButton(QStringLiteral("&Start"), central), QStringLiteral("cmdStart"));
    cmdStart_->setToolTip(QStringLiteral("Start modulation"));
    cmdAbort_ =
        Named(new QPushButton(QStringLiteral("&Abort"), central), QStringLiteral("cmdAbort"));
    cmdAbort_->setToolTip(QStringLiteral("Abort modulation in progress"));
    cmdOutputOn_ = Named(new QPushButton(QStringLiteral("Close Output Relay"), central),
                         QStringLiteral("cmdOutputOn"));
    cmdOutputOff_ = Named(
        new QPushButton(QStringLiteral("Open Output Relay (aborts test in progress)"), central),
        QStringLiteral("cmdOutputOff"));
    buttons->addWidget(cmdStart_, 0, 0);
    buttons->addWidget(cmdAbort_, 0, 1);
    buttons->addWidget(cmdOutputOn_, 1, 0);
    buttons->addWidget(cmdOutputOff_, 1, 1);
    settings->addLayout(buttons);
    layout->addLayout(settings);

    lblProgressTest_ = Named(new QLabel(QStringLiteral("Complete test:"), central),
                             QStringLiteral("lblProgressTest"));
    lblProgressTest_->setToolTip(
        QStringLiteral("Time elapsed and total test time in days, hours, minutes and seconds"));
    layout->addWidget(lblProgressTest_);
    pgbProgressTest_ = Named(new QProgressBar(central), QStringLiteral("pgbProgressTest"));
    pgbProgressTest_->setRange(0, 1000);
    pgbProgressTest_->setValue(0);
    layout->addWidget(pgbProgressTest_);
    setCentralWidget(central);
    lblStatus_ = Named(new QLabel(this), QStringLiteral("lblStatus"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(lblStatus_, 1);

    connect(cmdStart_, &QPushButton::clicked, this, &frmDCRipple::start);
    connect(cmdAbort_, &QPushButton::clicked, this, [this] { session_.abort(); });
    connect(cmdOutputOn_, &QPushButton::clicked, this, [this] { session_.closeRelay(); });
    connect(cmdOutputOff_, &QPushButton::clicked, this, [this] { session_.openRelay(); });
    auto* help = new QAction(QStringLiteral("Help"), this);
    help->setShortcut(QKeySequence::HelpContents);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] {
        if (help_) help_();
    });
}

// The registers go down and the source goes to AC+DC once, when the window
// first shows, never during a test.
void frmDCRipple::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (session_.activated()) return;
    session_.activate();
    showStatus(QStringLiteral("Ready..."));
    if (afterRun_) afterRun_();
}

void frmDCRipple::start() {
    if (running()) return;
    DcRippleChoice choice;
    choice.nominalIndex = std::max(0, optVDCNom_->checkedId());
    choice.categoryIndex = std::max(0, optCategory_->checkedId());
    for (int p = 0; p < 3; ++p)
        choice.phases[size_t(p)] = chkPhase_[p]->isChecked() && chkPhase_[p]->isEnabled();
    const RippleProgram& program =
        RippleProgramOf(RippleTestNumber(choice.nominalIndex, choice.categoryIndex));
    setRunning(true);
    showProgress(0, program.totalS);
    showStatus(QStringLiteral("Transient in progress, polling status..."));
    const DcRippleOutcome outcome = session_.start(choice);
    setRunning(false);
    showStatus(outcome.message);
    if (closeWhenStopped_) close();
}

void frmDCRipple::setRunning(bool on) {
    cmdStart_->setEnabled(!on);
    cmdAbort_->setEnabled(on);
    for (QAbstractButton* b : optVDCNom_->buttons())
        b->setEnabled(!on);
    for (QAbstractButton* b : optCategory_->buttons())
        b->setEnabled(!on);
    const bool three = program_.outputState.MultiPhaseOutput == 1;
    for (int p = 0; p < 3; ++p)
        chkPhase_[p]->setEnabled(!on && (p == 0 || three));
}

void frmDCRipple::showProgress(double elapsedS, double totalS) {
    pgbProgressTest_->setValue(totalS > 0 ? int(std::min(1.0, elapsedS / totalS) * 1000) : 0);
    lblProgressTest_->setText(QStringLiteral("Complete test: ") + RippleTime(elapsedS) +
                              QStringLiteral(" / ") + RippleTime(totalS));
}

void frmDCRipple::showStatus(const QString& text) {
    lblStatus_->setText(text);
}

void frmDCRipple::watchForShutdown(QWidget* mainWindow) {
    mainWindow->installEventFilter(this);
    mainWindow_ = mainWindow;
}

bool frmDCRipple::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainWindow_ && event->type() == QEvent::Close && running()) {
        closeWhenStopped_ = true;
        session_.abort();
    }
    return QMainWindow::eventFilter(watched, event);
}

// During a test the operator is asked; Yes aborts and the window closes once
// the test's finish has run. The close itself restores the source.
void frmDCRipple::closeEvent(QCloseEvent* event) {
    if (running()) {
        if (!closeWhenStopped_ && session_.mayClose()) closeWhenStopped_ = true;
        event->ignore();
        return;
    }
    session_.close();
    if (afterRun_) afterRun_();
    event->accept();
}

} // namespace ostrel
