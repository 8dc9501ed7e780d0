#include "automation/frmSequencer.h"

#include "app/ControlArrays.h"
#include "app/EntryRejection.h"
#include "core/Program.h"
#include "automation/SequenceReport.h"
#include "config/FileNames.h"
#include "config/SaveTarget.h"
#include "link/Numbers.h"
#include "measure/ProgramIo.h"
#include "measure/WindowParts.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QColor kFailColor(0xc0, 0x20, 0x20);

QAction* entry(QWidget* owner, QMenu* menu, const char* name, const QString& text) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setParent(owner);
    return a;
}

// Columns the operator types; the rest the run fills.
bool editable(int column) {
    if (column == SeqStep || column == SeqStatus) return false;
    if (column < SeqFirstReading) return true;
    return (column - SeqFirstReading) % 3 != 0;
}

const char* const kOptions[][2] = {
    {"Run in loop mode", "Repeat test sequence continuously"},
    {"Abort test on any FAIL", "Abort sequence on any compare failure"},
    {"Auto Vrange change", "Changes voltage ranges based on requested voltage setting"},
    {"Fail", "Print or save only when a FAIL occured"},
    {"Output OFF", "Turn AC Source output of at the end of the test"},
    {"Save data", "Save data to a new file after each test"},
    {"Print report", "Print a test report after test is completed"},
};

// The per-user "SEQ_Test" folder, made when first needed.
QString startFolder(Program& program) {
    const QString folder = program.paths.userFile(QStringLiteral("SEQ_Test"));
    QDir().mkpath(folder);
    return folder;
}

const QString kOpenFilter = QStringLiteral("Sequence Test Files (*.seq)|*.SEQ|All Files (*.*)|*.*");
const QString kSaveFilter = QStringLiteral("Sequence Test File (*.seq)|*.SEQ|All Files (*.*)|*.*");

} // namespace

frmSequencer::frmSequencer(Program& program, QWidget* parent)
    : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmSequencer"));
    setWindowTitle(QStringLiteral("Stimulus / Response Test Sequencer"));
    build();
    buildMenus();
    applyMode();
    showTable({});
    statusBar()->showMessage(QStringLiteral("Ready..."));
}

frmSequencer::~frmSequencer() = default;

void frmSequencer::build() {
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    tbsPhase_ = Named(new QTabWidget(body), QStringLiteral("tbsPhase"));
    static const char* const kTabs[][2] = {{"Phase &A", "tab_pha"}, {"Phase &B", "tab_phb"}, {"Phase &C", "tab_phc"}};
    for (int p = 0; p < 3; ++p) {
        auto* grid = Named(new QTableWidget(kMaxSequenceRows, kSequenceColumns, tbsPhase_),
                           QStringLiteral("grdSequence"), p);
        grid->verticalHeader()->hide();
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
        grid->horizontalHeader()->setDefaultSectionSize(64);
        grid->setColumnWidth(SeqStep, 48);
        grid->setColumnWidth(SeqStatus, 56);
        connect(grid, &QTableWidget::itemChanged, this, &frmSequencer::onItemChanged);
        grdSequence_[size_t(p)] = grid;
        tbsPhase_->addTab(grid, QString::fromLatin1(kTabs[p][0]));
        tbsPhase_->widget(p)->setProperty("key", QString::fromLatin1(kTabs[p][1]));
    }
    layout->addWidget(tbsPhase_, 1);

    auto* lower = new QHBoxLayout;
    auto* options = new QGroupBox(QStringLiteral("Test options"), body);
    auto* optionLayout = new QVBoxLayout(options);
    for (int i = 0; i < 7; ++i) {
        auto* box = Named(new QCheckBox(QString::fromLatin1(kOptions[i][0]), options),
                          QStringLiteral("chkTestOption"), i);
        box->setToolTip(QString::fromLatin1(kOptions[i][1]));
        connect(box, &QCheckBox::toggled, this, [this] { changed_ = true; });
        optionLayout->addWidget(box);
        chkTestOption_[size_t(i)] = box;
    }
    lower->addWidget(options);
    auto* user = new QGroupBox(QStringLiteral("Information about this test run"), body);
    auto* form = new QFormLayout(user);
    const SequenceUserData defaults;
    txtTestedBy_ = Named(new QLineEdit(defaults.testedBy, user), QStringLiteral("txtTestedBy"));
    txtEUT_ = Named(new QLineEdit(defaults.eut, user), QStringLiteral("txtEUT"));
    txtComment_ = Named(new QLineEdit(defaults.comment, user), QStringLiteral("txtComment"));
    form->addRow(QStringLiteral("Tested by:"), txtTestedBy_);
    form->addRow(QStringLiteral("EUT:"), txtEUT_);
    form->addRow(QStringLiteral("Comment:"), txtComment_);
    for (QLineEdit* e : {txtTestedBy_, txtEUT_, txtComment_})
        connect(e, &QLineEdit::textEdited, this, [this] { changed_ = true; });
    lower->addWidget(user, 1);
    layout->addLayout(lower);
    setCentralWidget(body);
    resize(1380, 640);
}

void frmSequencer::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* mnuFNew = entry(this, file, "mnuFNew", QStringLiteral("&New"));
    QAction* mnuFOpen = entry(this, file, "mnuFOpen", QStringLiteral("&Open..."));
    QAction* mnuFSave = entry(this, file, "mnuFSave", QStringLiteral("&Save"));
    QAction* mnuFSaveAs = entry(this, file, "mnuFSaveAs", QStringLiteral("Save &As..."));
    file->addSeparator();
    QAction* mnuFPrint = entry(this, file, "mnuFPrint", QStringLiteral("&Print..."));
    QAction* mnuFPrintPdf = entry(this, file, "mnuFPrintPdf", QStringLiteral("Print to P&DF..."));
    file->addSeparator();
    QAction* mnuFExit = entry(this, file, "mnuFExit", QStringLiteral("E&xit"));
    connect(mnuFNew, &QAction::triggered, this, &frmSequencer::newTable);
    connect(mnuFOpen, &QAction::triggered, this, &frmSequencer::open);
    connect(mnuFSave, &QAction::triggered, this, &frmSequencer::save);
    connect(mnuFSaveAs, &QAction::triggered, this, &frmSequencer::saveAs);
    connect(mnuFPrint, &QAction::triggered, this, &frmSequencer::print);
    connect(mnuFPrintPdf, &QAction::triggered, this, &frmSequencer::printPdf);
    connect(mnuFExit, &QAction::triggered, this, &QWidget::close);

    QMenu* test = menuBar()->addMenu(QStringLiteral("&Test"));
    mnuTRun_ = entry(this, test, "mnuTRun", QStringLiteral("&Run"));
    mnuTStop_ = entry(this, test, "mnuTStop", QStringLiteral("S&top"));
    test->addSeparator();
    QMenu* mode = test->addMenu(QStringLiteral("&Mode"));
    mnuTMNormal_ = entry(this, mode, "mnuTMNormal", QStringLiteral("&Normal"));
    mnuTMSingle_ = entry(this, mode, "mnuTMSingle", QStringLiteral("&Single Step"));
    auto* modes = new QActionGroup(this);
    for (QAction* a : {mnuTMNormal_, mnuTMSingle_}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    mnuTMNormal_->setChecked(true);
    QAction* mnuTClear = entry(this, test, "mnuTClear", QStringLiteral("&Clear Meas Data"));
    connect(mnuTRun_, &QAction::triggered, this, &frmSequencer::start);
    connect(mnuTStop_, &QAction::triggered, this, &frmSequencer::stop);
    connect(mnuTClear, &QAction::triggered, this, &frmSequencer::clearReadings);
    mnuTStop_->setEnabled(false);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* mnuHContents = entry(this, help, "mnuHContents", QStringLiteral("&Contents"));
    connect(mnuHContents, &QAction::triggered, this, [this] {
        if (help_) help_();
    });

    auto* bar = addToolBar(QStringLiteral("Sequencer"));
    bar->setObjectName(QStringLiteral("tlbSequencer"));
    bar->addAction(mnuTRun_);
    bar->addAction(mnuTStop_);
    idleOnly_ = {mnuFNew, mnuFOpen, mnuFSave, mnuFSaveAs, mnuFPrint, mnuFPrintPdf, mnuTClear,
                 mnuTMNormal_, mnuTMSingle_};
}

// The headings follow the output mode; tabs B and C show only in three-phase mode.
void frmSequencer::applyMode() {
    dc_ = program_.outputState.OutputMode == ModeDC;
    threePhase_ = program_.outputState.MultiPhaseOutput == 1;
    filling_ = true;
    for (int p = 0; p < 3; ++p) {
        QTableWidget* grid = grdSequence_[size_t(p)];
        grid->setHorizontalHeaderLabels(SequenceHeadings(dc_));
        tbsPhase_->setTabVisible(p, p == 0 || threePhase_);
    }
    filling_ = false;
}

void frmSequencer::showRow(int phase, int row, const SequenceRow& cells) {
    QTableWidget* grid = grdSequence_[size_t(phase)];
    const bool failed = cells[SeqStatus] == QLatin1String("FAIL");
    for (int c = 0; c < kSequenceColumns; ++c) {
        QString text = c == SeqStep ? QString::number(row + 1) : cells[size_t(c)];
        if (SequenceNumericColumn(c)) text = Shown(text, program_.decimalSeparator);
        QTableWidgetItem* item = grid->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            grid->setItem(row, c, item);
        }
        // B and C follow tab A's frequency and dwell.
        const bool follows = phase > 0 && (c == SeqFreq || c == SeqDwell);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable(c) && !follows) flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        item->setText(text);
        item->setData(Qt::UserRole, text);
        bool red = failed && (c == SeqStatus);
        if (failed && c >= SeqFirstReading && (c - SeqFirstReading) % 3 == 0) {
            const int k = (c - SeqFirstReading) / 3;
            const auto number = [&](int column) -> std::optional<double> {
                bool ok = false;
                const double v = cells[size_t(column)].toDouble(&ok);
                return ok ? std::optional<double>(v) : std::nullopt;
            };
            red = !ReadingPasses(number(c), number(HiColumn(k)), number(LoColumn(k)));
        }
        item->setForeground(red ? QBrush(kFailColor) : QBrush());
        item->setBackground(failed && c == SeqStatus ? QBrush(QColor(0xfd, 0xe2, 0xe2)) : QBrush());
    }
}

SequenceTable frmSequencer::table() const {
    SequenceTable t;
    t.dcHeadings = dc_;
    for (int p = 0; p < 3; ++p) {
        const QTableWidget* grid = grdSequence_[size_t(p)];
        int last = -1;
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = SeqStatus; c < kSequenceColumns; ++c)
                if (grid->item(r, c) && !grid->item(r, c)->text().isEmpty()) last = r;
        for (int r = 0; r <= last; ++r) {
            SequenceRow row;
            for (int c = 0; c < kSequenceColumns; ++c) {
                QString text = grid->item(r, c) ? grid->item(r, c)->text() : QString();
                if (SequenceNumericColumn(c) && program_.decimalSeparator != u'.')
                    text.replace(program_.decimalSeparator, u'.');
                row[size_t(c)] = text;
            }
            t.phases[size_t(p)].push_back(row);
        }
    }
    return t;
}

void frmSequencer::showTable(const SequenceTable& t) {
    filling_ = true;
    for (int p = 0; p < 3; ++p)
        for (int r = 0; r < kMaxSequenceRows; ++r) {
            SequenceRow cells = r < int(t.phases[size_t(p)].size()) ? t.phases[size_t(p)][size_t(r)]
                                                                      : SequenceRow{};
            if (p > 0) {
                // B and C follow tab A's frequency and dwell.
                const auto& a = t.phases[0];
                cells[SeqFreq] = r < int(a.size()) ? a[size_t(r)][SeqFreq] : QString();
                cells[SeqDwell] = r < int(a.size()) ? a[size_t(r)][SeqDwell] : QString();
            }
            showRow(p, r, cells);
        }
    filling_ = false;
}

void frmSequencer::onItemChanged(QTableWidgetItem* item) {
    if (filling_) return;
    const int column = item->column();
    QTableWidget* grid = item->tableWidget();
    const int phase = grid->property("index").toInt();
    QString text = item->text().trimmed();
    if (SequenceNumericColumn(column) && !text.isEmpty()) {
        float value = 0;
        if (!TryParseSingle(text, value, program_.decimalSeparator) || !std::isfinite(value)) {
            filling_ = true;
            item->setText(item->data(Qt::UserRole).toString());
            filling_ = false;
            ReportRejectedEntry(program_);
            return;
        }
    }
    filling_ = true;
    item->setText(text);
    item->setData(Qt::UserRole, text);
    if (phase == 0 && (column == SeqFreq || column == SeqDwell))
        for (int p = 1; p < 3; ++p)
            if (QTableWidgetItem* follower = grdSequence_[size_t(p)]->item(item->row(), column))
                follower->setText(text);
    filling_ = false;
    changed_ = true;
}

SequencerOptions frmSequencer::options() const {
    SequencerOptions o;
    o.passes = chkTestOption_[0]->isChecked() ? 0 : 1;
    o.abortOnFail = chkTestOption_[1]->isChecked();
    o.autoRange = chkTestOption_[2]->isChecked();
    o.failOnly = chkTestOption_[3]->isChecked();
    o.outputOff = chkTestOption_[4]->isChecked();
    o.saveData = chkTestOption_[5]->isChecked();
    o.printReport = chkTestOption_[6]->isChecked();
    o.singleStep = mnuTMSingle_->isChecked();
    return o;
}

SequenceUserData frmSequencer::userData() const {
    return {txtTestedBy_->text(), txtEUT_->text(), txtComment_->text()};
}

void frmSequencer::setRunning(bool on) {
    mnuTRun_->setEnabled(!on);
    mnuTStop_->setEnabled(on);
    for (QAction* a : idleOnly_)
        a->setEnabled(!on);
    tbsPhase_->tabBar()->setEnabled(!on);
    for (QTableWidget* grid : grdSequence_)
        grid->setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                                 : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                       QAbstractItemView::AnyKeyPressed);
    for (QCheckBox* box : chkTestOption_)
        box->setEnabled(!on);
}

void frmSequencer::start() {
    if (run_) return;
    applyMode();
    ProgramIo io(program_);
    SequencerHooks hooks;
    hooks.status = [this](const QString& text) { statusBar()->showMessage(text); };
    hooks.rowChanged = [this](int phase, int row) {
        if (!run_) return;
        filling_ = true;
        showRow(phase, row, run_->table().phases[size_t(phase)][size_t(row)]);
        filling_ = false;
        grdSequence_[size_t(phase)]->scrollToItem(grdSequence_[size_t(phase)]->item(row, 0));
    };
    hooks.outputChanged = [this] {
        if (outputChanged_) outputChanged_();
    };
    hooks.printReport = [this](const SequenceTable& finished, QString&) {
        showTable(finished);
        print();
        return true;
    };
    SequencerRun run(program_, io, table(), file_, userData(), options(), std::move(hooks));
    run_ = &run;
    setRunning(true);
    {
        const PromptOwner owner(program_.prompt(), this);
        run.run();
    }
    showTable(run.table());
    for (QTableWidget* grid : grdSequence_)
        grid->scrollToTop();
    run_ = nullptr;
    setRunning(false);
    if (afterRun_) afterRun_();
    if (closeWhenStopped_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmSequencer::stop() {
    if (run_) run_->stop();
}

void frmSequencer::clearReadings() {
    SequenceTable t = table();
    for (auto& rows : t.phases)
        for (SequenceRow& row : rows) {
            row[SeqStatus].clear();
            for (int k = 0; k < kSequenceReadings; ++k)
                row[size_t(ReadingColumn(k))].clear();
        }
    showTable(t);
}

bool frmSequencer::askToSave() {
    if (!changed_) return true;
    const PromptAnswer a = prompt_.ask(
        QStringLiteral("You made changes to the test parameters.\r\nWould you like to save these changes?"),
        PromptButtons::YesNo, 1, PromptIcon::Question);
    return a != PromptAnswer::Yes || save();
}

void frmSequencer::newTable() {
    if (prompt_.ask(QStringLiteral("This operation will erase all entries from the data entry grid.\r\n"
                                   "Are you sure you want to continue ?"),
                    PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    showTable({});
    file_.clear();
    changed_ = false;
    setWindowTitle(QStringLiteral("Stimulus / Response Test Sequencer"));
}

void frmSequencer::open() {
    const QString path = prompt_.chooseOpenFile(
        {QStringLiteral("Open Sequence Test File..."), kOpenFilter, QStringLiteral("seq"),
         file_.isEmpty() ? startFolder(program_) : QFileInfo(file_).path()});
    if (!path.isEmpty()) openFile(path);
}

bool frmSequencer::openFile(const QString& path) {
    const SequenceRead read = ReadSequenceFile(path);
    if (!read.table) {
        prompt_.showMessage(read.error, PromptIcon::Exclamation);
        return false;
    }
    showTable(*read.table);
    const SequenceUserData user = ReadSequenceUserData(SequenceIniPath(path));
    txtTestedBy_->setText(user.testedBy);
    txtEUT_->setText(user.eut);
    txtComment_->setText(user.comment);
    file_ = path;
    changed_ = false;
    setWindowTitle(QStringLiteral("Stimulus / Response Test Sequencer - ") + QFileInfo(path).fileName());
    return true;
}

bool frmSequencer::writeTo(const QString& chosen) {
    const QString path = SaveTargetPath(program_.paths, chosen);
    QString error;
    if (!WriteSequenceFile(path, table(), dc_, error) ||
        !WriteSequenceUserData(SequenceIniPath(path), userData(), std::nullopt, error)) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return false;
    }
    file_ = path;
    changed_ = false;
    setWindowTitle(QStringLiteral("Stimulus / Response Test Sequencer - ") + QFileInfo(path).fileName());
    return true;
}

bool frmSequencer::save() {
    return file_.isEmpty() ? saveAs() : writeTo(file_);
}

bool frmSequencer::saveAs() {
    const QString path = ChooseSavePath(
        prompt_, {QStringLiteral("Save Sequence Test File..."), kSaveFilter, QStringLiteral("seq"),
                  file_.isEmpty() ? startFolder(program_) : file_});
    return !path.isEmpty() && writeTo(path);
}

QStringList frmSequencer::reportLines() const {
    SequenceReportData d;
    d.model = program_.sourceModel.ModelName;
    d.serial = program_.sourceModel.SerialNumber;
    d.outputMode = program_.outputState.OutputMode;
    d.threePhase = threePhase_;
    d.simulated = program_.settings.link.bus == 0;
    d.user = userData();
    d.options = options();
    d.table = table();
    d.printedOn = QDateTime::currentDateTime();
    return SequenceReportLines(d);
}

void frmSequencer::paintReport(QPaintDevice& device) const {
    QPainter painter(&device);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(6.5);
    painter.setFont(font);
    const int line = painter.fontMetrics().lineSpacing();
    const int height = painter.viewport().height();
    int y = line;
    for (const QString& text : reportLines()) {
        if (y > height - line) {
            if (auto* printer = dynamic_cast<QPagedPaintDevice*>(&device)) printer->newPage();
            y = line;
        }
        painter.drawText(0, y, text);
        y += line;
    }
}

void frmSequencer::print() {
    QPrinter printer;
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Printing Output Sequencer Report - Click Cancel to quit"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { paintReport(*p); });
    preview.exec();
}

bool frmSequencer::writeReportPdf(const QString& path, QString& error) const {
    QPdfWriter pdf(path);
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setTitle(QStringLiteral("Stimulus - Response Test Report"));
    paintReport(pdf);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        error = QStringLiteral("Data save operation failed. Possible illegal file name.");
        return false;
    }
    return true;
}

void frmSequencer::printPdf() {
    const QString path = ChooseSavePath(
        prompt_, {QStringLiteral("Save Report As PDF..."), QStringLiteral("PDF Files (*.pdf)|*.pdf"),
                  QStringLiteral("pdf"), startFolder(program_)});
    if (path.isEmpty()) return;
    QString error;
    if (!writeReportPdf(path, error)) prompt_.showMessage(error, PromptIcon::Exclamation);
}

void frmSequencer::watchForShutdown(QWidget* mainWindow) {
    mainWindow->installEventFilter(this);
    mainWindow_ = mainWindow;
}

bool frmSequencer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainWindow_ && event->type() == QEvent::Close && run_) {
        closeWhenStopped_ = true;
        run_->stop();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmSequencer::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !run_) applyMode();
    QMainWindow::changeEvent(event);
}

void frmSequencer::closeEvent(QCloseEvent* event) {
    if (run_) {
        // The run stops, its end handling runs, then the window closes.
        event->ignore();
        closeWhenStopped_ = true;
        run_->stop();
        return;
    }
    if (!closeWhenStopped_ && !askToSave()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

} // namespace ostrel
