#include "transients/frmTrnstList.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/WindowParts.h"
#include "transients/PointListCommands.h"
#include "transients/PointListFile.h"
#include "transients/PointListRun.h"
#include "transients/PointTable.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QDoubleValidator>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QString kFilter = QStringLiteral("Transient List File (*.TRL)|*.TRL|All Files (*.*)|*.*");
const QString kCrLf = QStringLiteral("\r\n");

bool isFunction(int column) {
    return column == ColFunctionA || column == ColFunctionB || column == ColFunctionC;
}

} // namespace

frmTrnstList::frmTrnstList(Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmTrnstList"));
    setWindowTitle(QStringLiteral("Transient Control"));
    build();
    buildMenus();
    setRunning(false);
    showOutput();
    showStatus(QStringLiteral("Ready..."));
    resize(1180, 640);
}

void frmTrnstList::build() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    grid_ =
        Named(new QTableWidget(kMaxListPoints, kPointColumns, central), QStringLiteral("grdList"));
    QStringList headings;
    for (int c = 0; c < kPointColumns; ++c)
        headings << PointColumnHeading(c);
    grid_->setHorizontalHeaderLabels(headings);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->horizontalHeader()->setMinimumSectionSize(60);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    layout->addWidget(grid_, 1);

    auto* controls = new QHBoxLayout;
    auto* lists = new QGroupBox(QStringLiteral("Lists"), central);
    auto* listsLayout = new QVBoxLayout(lists);
    const bool threePhase = program_.outputState.MultiPhaseOutput == 1;
    for (int s = SelectFreq; s <= SelectVoltC; ++s) {
        const QString caption = s == SelectFreq
                                    ? QStringLiteral("Freq Select")
                                    : QStringLiteral("Volt ") + QChar(u'A' + (s - SelectVoltA)) +
                                          QStringLiteral(" Select");
        chkSelect_[s] = Named(new QCheckBox(caption, lists), QStringLiteral("chkSelect"), s);
        listsLayout->addWidget(chkSelect_[s]);
    }
    chkSelect_[SelectFreq]->setEnabled(program_.outputState.OutputMode != ModeDC);
    chkSelect_[SelectVoltB]->setEnabled(threePhase);
    chkSelect_[SelectVoltC]->setEnabled(threePhase);
    controls->addWidget(lists);

    auto* start = new QGroupBox(QStringLiteral("Start phase"), central);
    auto* startLayout = new QGridLayout(start);
    QList<QRadioButton*> angleButtons;
    optPhaseAngle_ =
        OptionArray(start, QStringLiteral("optPhaseAngle"),
                    {QStringLiteral("Start at:"), QStringLiteral("Start Randomly")}, &angleButtons);
    txtPhaseAngle_ = Named(new QLineEdit(start), QStringLiteral("txtPhaseAngle"));
    txtPhaseAngle_->setAlignment(Qt::AlignRight);
    txtPhaseAngle_->setMaximumWidth(70);
    txtPhaseAngle_->setText(shown(QStringLiteral("0.0")));
    startLayout->addWidget(angleButtons[0], 0, 0);
    startLayout->addWidget(txtPhaseAngle_, 0, 1);
    startLayout->addWidget(new QLabel(QStringLiteral("\u00b0"), start), 0, 2);
    startLayout->addWidget(angleButtons[1], 1, 0, 1, 3);
    angleButtons[1]->setChecked(true);
    controls->addWidget(start);

    QList<QRadioButton*> triggerButtons;
    optTrigSource_ = OptionArray(
        central, QStringLiteral("optTrigSource"),
        {QStringLiteral("Immediate"), QStringLiteral("ExtTrig"), QStringLiteral("GPIB GET")},
        &triggerButtons);
    triggerButtons[0]->setChecked(true);
    controls->addWidget(OptionBox(central, QStringLiteral("Trigger source"), optTrigSource_));

    auto* pacing = new QGroupBox(QStringLiteral("Pacing"), central);
    pacing->setToolTip(
        QStringLiteral("Pace transient using dwell time only (Auto) or triggered (Once)"));
    auto* pacingLayout = new QVBoxLayout(pacing);
    optAuto_ = Named(new QRadioButton(QStringLiteral("Auto"), pacing), QStringLiteral("optAuto"));
    optOnce_ = Named(new QRadioButton(QStringLiteral("Once"), pacing), QStringLiteral("optOnce"));
    optAuto_->setChecked(true);
    chkRetrigger_ =
        Named(new QCheckBox(QStringLiteral("Retrig"), pacing), QStringLiteral("chkRetrigger"));
    chkRetrigger_->setToolTip(QStringLiteral("Select to force retrigger for each repeat"));
    pacingLayout->addWidget(optAuto_);
    pacingLayout->addWidget(optOnce_);
    pacingLayout->addWidget(chkRetrigger_);
    controls->addWidget(pacing);

    auto* runBox = new QGroupBox(QStringLiteral("Run"), central);
    auto* runLayout = new QGridLayout(runBox);
    runLayout->addWidget(new QLabel(QStringLiteral("&Repeat:"), runBox), 0, 0);
    txtRepeat_ = Named(new QLineEdit(QStringLiteral("1"), runBox), QStringLiteral("txtRepeat"));
    txtRepeat_->setValidator(new QIntValidator(1, 65535, txtRepeat_));
    txtRepeat_->setAlignment(Qt::AlignRight);
    txtRepeat_->setMaximumWidth(70);
    qobject_cast<QLabel*>(runLayout->itemAtPosition(0, 0)->widget())->setBuddy(txtRepeat_);
    runLayout->addWidget(txtRepeat_, 0, 1);
    cmdStart_ =
        Named(new QPushButton(QStringLiteral("&Start"), runBox), QStringLiteral("cmdStart"));
    cmdStop_ = Named(new QPushButton(QStringLiteral("S&top"), runBox), QStringLiteral("cmdStop"));
    runLayout->addWidget(cmdStart_, 1, 0);
    runLayout->addWidget(cmdStop_, 1, 1);
    lblOutput_ =
        Named(new QLabel(QStringLiteral("Output ON"), runBox), QStringLiteral("lblOutput"));
    lblOutput_->setAlignment(Qt::AlignCenter);
    lblOutput_->setFrameShape(QFrame::Panel);
    lblOutput_->setFrameShadow(QFrame::Sunken);
    runLayout->addWidget(lblOutput_, 2, 0, 1, 2);
    controls->addWidget(runBox);
    layout->addLayout(controls);

    auto* commentRow = new QHBoxLayout;
    commentRow->addWidget(new QLabel(QStringLiteral("Comment:"), central));
    txtComment_ = Named(new QLineEdit(central), QStringLiteral("txtComment"));
    commentRow->addWidget(txtComment_, 1);
    layout->addLayout(commentRow);

    setCentralWidget(central);
    lblStatus_ = new QLabel(this);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(lblStatus_, 1);

    connect(cmdStart_, &QPushButton::clicked, this, &frmTrnstList::run);
    connect(cmdStop_, &QPushButton::clicked, this, &frmTrnstList::stop);
}

void frmTrnstList::buildMenus() {
    const auto entry = [this](QMenu* menu, const char* name, const QString& text,
                              void (frmTrnstList::*slot)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        if (slot) connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    entry(file, "mnuFNew", QStringLiteral("&New"), &frmTrnstList::newTable);
    entry(file, "mnuFOpen", QStringLiteral("&Open..."), &frmTrnstList::openFile);
    connect(entry(file, "mnuFSave", QStringLiteral("&Save"), nullptr), &QAction::triggered, this,
            [this] { saveFile(false); });
    connect(entry(file, "mnuFSaveAs", QStringLiteral("Save &As..."), nullptr), &QAction::triggered,
            this, [this] { saveFile(true); });
    file->addSeparator();
    entry(file, "mnuFPrint", QStringLiteral("&Print..."), &frmTrnstList::print);
    file->addSeparator();
    connect(entry(file, "mnuFExit", QStringLiteral("E&xit"), nullptr), &QAction::triggered, this,
            &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    entry(edit, "mnuEInsert", QStringLiteral("&Insert"), &frmTrnstList::insertPoint);
    entry(edit, "mnuEDelete", QStringLiteral("&Delete"), &frmTrnstList::deletePoint);
    QMenu* transient = menuBar()->addMenu(QStringLiteral("&Transient"));
    mnuTRun_ = entry(transient, "mnuTRun", QStringLiteral("&Run"), &frmTrnstList::run);
    mnuTStop_ = entry(transient, "mnuTStop", QStringLiteral("&Stop"), &frmTrnstList::stop);
    transient->addSeparator();
    mnuTRead_ = entry(transient, "mnuTRead", QStringLiteral("R&ead"), &frmTrnstList::readLists);
    mnuTWrite_ = entry(transient, "mnuTWrite", QStringLiteral("&Write"), &frmTrnstList::writeLists);
    auto* help = new QAction(QStringLiteral("Help"), this);
    help->setShortcut(QKeySequence::HelpContents);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] {
        if (help_) help_();
    });
}

QString frmTrnstList::shown(const QString& invariant) const {
    return Shown(invariant, program_.decimalSeparator);
}

void frmTrnstList::fillCell(int row, int column, const QString& invariant) {
    auto* item = new QTableWidgetItem(isFunction(column) ? invariant : shown(invariant));
    item->setTextAlignment(Qt::AlignCenter);
    grid_->setItem(row, column, item);
}

PointTable frmTrnstList::table() const {
    PointTable t;
    t.comment = txtComment_->text();
    t.listCount = std::max(1, txtRepeat_->text().toInt());
    for (int s = SelectFreq; s <= SelectVoltC; ++s)
        t.select[size_t(s)] = chkSelect_[s]->isChecked();
    t.startAtAngle = optPhaseAngle_->checkedId() == 0;
    float angle = 0;
    TryParseSingle(txtPhaseAngle_->text().trimmed(), angle, program_.decimalSeparator);
    t.startAngle = angle;
    t.triggerSource = std::max(0, optTrigSource_->checkedId());
    t.once = optOnce_->isChecked();
    t.retrigger = chkRetrigger_->isChecked();
    for (int c = 0; c < kPointColumns; ++c) {
        QStringList cells;
        for (int row = 0; row < grid_->rowCount(); ++row) {
            const QTableWidgetItem* item = grid_->item(row, c);
            QString text = item ? item->text().trimmed() : QString();
            if (!isFunction(c)) text.replace(program_.decimalSeparator, QLatin1Char('.'));
            cells << text;
        }
        // Empty cells below the last filled one are no points.
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        t.columns[size_t(c)] = cells;
    }
    return t;
}

void frmTrnstList::showTable(const PointTable& t) {
    txtComment_->setText(t.comment);
    txtRepeat_->setText(QString::number(t.listCount));
    for (int s = SelectFreq; s <= SelectVoltC; ++s)
        chkSelect_[s]->setChecked(t.select[size_t(s)]);
    optPhaseAngle_->button(t.startAtAngle ? 0 : 1)->setChecked(true);
    txtPhaseAngle_->setText(shown(FormatNumber(t.startAngle, u"##0.0")));
    if (QAbstractButton* b = optTrigSource_->button(std::clamp(t.triggerSource, 0, 2)); b)
        b->setChecked(true);
    (t.once ? optOnce_ : optAuto_)->setChecked(true);
    chkRetrigger_->setChecked(t.retrigger);
    grid_->clearContents();
    for (int c = 0; c < kPointColumns; ++c) {
        const QStringList& cells = t.columns[size_t(c)];
        for (int row = 0; row < std::min<int>(int(cells.size()), grid_->rowCount()); ++row)
            if (!cells[row].isEmpty()) fillCell(row, c, cells[row]);
    }
}

void frmTrnstList::newTable() {
    if (running_) return;
    if (prompt_.ask(QStringLiteral("This operation will erase all transient") + kCrLf +
                        QStringLiteral("information shown in this window!") + kCrLf +
                        QStringLiteral("Are you sure you want to continue ?"),
                    PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    showTable(PointTable{});
    fileName_.clear();
    showStatus(QStringLiteral("Ready..."));
}

void frmTrnstList::openFile() {
    if (running_) return;
    const QString path = prompt_.chooseOpenFile(
        {QStringLiteral("Open Transient List File..."), kFilter, QStringLiteral("trl"), {}});
    if (path.isEmpty()) return;
    QString error;
    const std::optional<PointTable> read = ReadPointListFile(path, error);
    if (!read) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return;
    }
    showTable(*read);
    fileName_ = path;
    showStatus(QStringLiteral("List file = ") + QFileInfo(path).fileName());
}

void frmTrnstList::saveFile(bool choose) {
    QString path = fileName_;
    if (choose || path.isEmpty()) {
        path = ChooseSavePath(prompt_, {QStringLiteral("Save IEC Test File..."), kFilter,
                                        QStringLiteral("trl"), fileName_});
        if (path.isEmpty()) return;
    }
    QString error;
    if (!WritePointListFile(path, table(), error)) {
        prompt_.showMessage(error, PromptIcon::Critical);
        return;
    }
    fileName_ = path;
    showStatus(QStringLiteral("List file = ") + QFileInfo(path).fileName());
}

// A new point above the selected row, with the defaults of a new row; the
// frequency is the present one.
void frmTrnstList::insertPoint() {
    if (running_) return;
    const int last = grid_->rowCount() - 1;
    for (int c = 0; c < kPointColumns; ++c)
        if (const QTableWidgetItem* item = grid_->item(last, c);
            item && !item->text().trimmed().isEmpty()) {
            prompt_.showMessage(QStringLiteral("The table holds %1 points, as many as a list can.")
                                        .arg(kMaxListPoints) +
                                    kCrLf + QStringLiteral("Delete a point before inserting one."),
                                PromptIcon::Exclamation);
            return;
        }
    const int row = std::max(0, grid_->currentRow());
    grid_->removeRow(last);
    grid_->insertRow(row);
    const QString max = QStringLiteral("Max");
    const QString sine = QStringLiteral("sinusoid");
    const QString defaults[kPointColumns] = {QStringLiteral("1"),
                                             FormatNumber(program_.outputState.Frequency, u"#0.0"),
                                             max,
                                             QStringLiteral("0"),
                                             max,
                                             sine,
                                             QStringLiteral("0"),
                                             max,
                                             sine,
                                             QStringLiteral("0"),
                                             max,
                                             sine,
                                             QStringLiteral("0"),
                                             QStringLiteral("1")};
    for (int c = 0; c < kPointColumns; ++c)
        fillCell(row, c, defaults[c]);
    grid_->setCurrentCell(row, 0);
}

void frmTrnstList::deletePoint() {
    if (running_) return;
    const int row = grid_->currentRow();
    if (row < 0) return;
    grid_->removeRow(row);
    grid_->insertRow(grid_->rowCount());
}

QString frmTrnstList::checkRunEntries() const {
    bool ok = false;
    const int count = txtRepeat_->text().trimmed().toInt(&ok);
    if (!ok || count < 1 || count > 65535)
        return QStringLiteral("Repeat: \"%1\" is not a list count from 1 to 65535.")
                   .arg(txtRepeat_->text()) +
               kCrLf + QStringLiteral("Run aborted.");
    float angle = 0;
    if (optPhaseAngle_->checkedId() == 0 &&
        (!TryParseSingle(txtPhaseAngle_->text().trimmed(), angle, program_.decimalSeparator) ||
         angle < 0 || angle > 360))
        return QStringLiteral("Start at: \"%1\" is not a phase angle from 0 to 360.")
                   .arg(txtPhaseAngle_->text()) +
               kCrLf + QStringLiteral("Run aborted.");
    return {};
}

void frmTrnstList::run() {
    if (running_) return;
    if (const QString bad = checkRunEntries(); !bad.isEmpty()) {
        prompt_.showMessage(bad, PromptIcon::Exclamation);
        return;
    }
    running_ = true;
    stopRequested_ = false;
    PointListRunHooks hooks;
    hooks.stopRequested = [this] { return stopRequested_; };
    hooks.started = [this] {
        setRunning(true);
        showStatus(QStringLiteral("Transient in progress, polling status..."));
    };
    hooks.relayClosed = [this] {
        showOutput();
        if (afterRun_) afterRun_();
    };
    const PointListRunOutcome outcome = RunPointLists(program_, prompt_, table(), hooks);
    running_ = false;
    setRunning(false);
    showOutput();
    showStatus(outcome.message.split(kCrLf).first());
    if (!outcome.refused && afterRun_) afterRun_();
    if (closeWhenStopped_) close();
}

void frmTrnstList::stop() {
    if (running_) stopRequested_ = true;
}

void frmTrnstList::readLists() {
    if (running_) return;
    PointTable t = table();
    QString note;
    const QueryFailure failure = ReadPointLists(program_, PointListTargetOf(program_), t, note);
    if (failure) {
        // A lost link has told the operator already.
        if (!failure.linkLost) prompt_.showMessage(failure.error, PromptIcon::Exclamation);
        return;
    }
    showTable(t);
    showStatus(QStringLiteral("Lists read from the source."));
    if (!note.isEmpty()) prompt_.showMessage(note, PromptIcon::Information);
}

void frmTrnstList::writeLists() {
    if (running_) return;
    const PointListLines lists = PointListWriteCommands(table(), PointListTargetOf(program_));
    if (!lists.refusal.isEmpty()) {
        prompt_.showMessage(lists.refusal, PromptIcon::Exclamation);
        return;
    }
    for (const QString& line : lists.lines)
        program_.link.Send(0, line);
    const QString errors = program_.link.CheckError();
    if (program_.link.Lost()) return;
    if (!errors.isEmpty()) {
        prompt_.showMessage(QStringLiteral("Source Error: ") + kCrLf +
                                errors.split(kCrLf, Qt::SkipEmptyParts).join(kCrLf),
                            PromptIcon::Exclamation);
        return;
    }
    showStatus(QStringLiteral("Lists written to the source."));
}

void frmTrnstList::setRunning(bool on) {
    cmdStart_->setEnabled(!on);
    mnuTRun_->setEnabled(!on);
    cmdStop_->setEnabled(on);
    mnuTStop_->setEnabled(on);
    mnuTRead_->setEnabled(!on);
    mnuTWrite_->setEnabled(!on);
    grid_->setEnabled(!on);
}

void frmTrnstList::showOutput() {
    const bool on = program_.outputState.OutputOn != 0;
    lblOutput_->setEnabled(on);
    lblOutput_->setStyleSheet(on ? QStringLiteral("QLabel { background: #c00000; color: white; }")
                                 : QString());
}

void frmTrnstList::showStatus(const QString& text) {
    lblStatus_->setText(text);
}

void frmTrnstList::print() {
    QPrinter printer;
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Transient List Report"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, &frmTrnstList::printTo);
    preview.exec();
}

void frmTrnstList::printTo(QPrinter* printer) {
    const PointTable t = table();
    int rows = 0;
    for (const QStringList& cells : t.columns)
        rows = std::max(rows, int(cells.size()));
    QProgressDialog progress(
        QStringLiteral("Printing Transient List Report - Click Cancel to quit"),
        QStringLiteral("Cancel"), 0, std::max(1, rows), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    // Fourteen columns need the page's width.
    printer->setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(printer)) return;
    const QRect page = painter.viewport();
    const int line = painter.fontMetrics().height() * 3 / 2;
    QFont titleFont = painter.font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    const int columnWidth = page.width() / (kPointColumns + 1);
    const auto header = [&] {
        painter.save();
        painter.setFont(titleFont);
        painter.drawText(QRect(0, 0, page.width(), 2 * line), Qt::AlignLeft | Qt::AlignTop,
                         program_.messageTitle + QStringLiteral(" Transient List Control"));
        painter.restore();
        painter.drawText(
            QRect(0, 2 * line, page.width(), line), Qt::AlignLeft,
            QStringLiteral("Printed on: ") +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        painter.drawText(QRect(0, 3 * line, page.width(), line), Qt::AlignLeft,
                         QStringLiteral("List file = ") +
                             (fileName_.isEmpty() ? QStringLiteral("(none)") : fileName_));
        painter.drawText(QRect(0, 4 * line, page.width(), line), Qt::AlignLeft,
                         QStringLiteral("Comment: ") + t.comment);
        painter.save();
        QFont bold = painter.font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.drawText(QRect(0, 6 * line, page.width(), line), Qt::AlignLeft,
                         QStringLiteral("Transient List Data"));
        painter.drawText(QRect(0, 7 * line, columnWidth, line), Qt::AlignLeft,
                         QStringLiteral("Point"));
        for (int c = 0; c < kPointColumns; ++c)
            painter.drawText(QRect((c + 1) * columnWidth, 7 * line, columnWidth, line),
                             Qt::AlignHCenter, PointColumnHeading(c));
        painter.restore();
        return 8 * line;
    };
    int y = header();
    for (int row = 0; row < rows; ++row) {
        if (progress.wasCanceled()) break;
        progress.setValue(row);
        if (y > page.height() - line) {
            printer->newPage();
            y = header();
        }
        painter.drawText(QRect(0, y, columnWidth, line), Qt::AlignLeft, QString::number(row + 1));
        for (int c = 0; c < kPointColumns; ++c) {
            const QStringList& cells = t.columns[size_t(c)];
            const QString cell = row < cells.size() ? cells[row] : QString();
            painter.drawText(QRect((c + 1) * columnWidth, y, columnWidth, line), Qt::AlignHCenter,
                             isFunction(c) ? cell : shown(cell));
        }
        y += line;
    }
    painter.end();
}

void frmTrnstList::watchForShutdown(QWidget* mainWindow) {
    mainWindow->installEventFilter(this);
    mainWindow_ = mainWindow;
}

bool frmTrnstList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainWindow_ && event->type() == QEvent::Close && running_) {
        closeWhenStopped_ = true;
        stopRequested_ = true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmTrnstList::closeEvent(QCloseEvent* event) {
    if (running_) {
        showStatus(QStringLiteral("Stop the transient before closing this window."));
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace ostrel
