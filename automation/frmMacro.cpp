#include "automation/frmMacro.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "automation/MacroFile.h"
#include "automation/MacroRun.h"
#include "config/SaveTarget.h"
#include "link/Readback.h"
#include "measure/ProgramIo.h"
#include "measure/WindowParts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace ostrel {

namespace {

QAction* entry(QWidget* owner, QMenu* menu, const char* name, const QString& text) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setParent(owner);
    return a;
}

const QString kFilter = QStringLiteral("Command Macro Files (*.txt)|*.TXT|All Files (*.*)|*.*");

} // namespace

frmMacro::frmMacro(Program& program, QWidget* parent) : QMainWindow(parent), program_(program) {
    setObjectName(QStringLiteral("frmMacro"));
    setWindowTitle(QStringLiteral("Command Macros"));
    opener_ = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    build();
    buildMenus();
    setRunning(false);
    statusBar()->showMessage(QStringLiteral("Ready..."));
}

frmMacro::~frmMacro() = default;

void frmMacro::build() {
    auto* body = new QWidget(this);
    auto* layout = new QGridLayout(body);
    lstMacro_ = Named(new QListWidget(body), QStringLiteral("lstMacro"));
    lstMacro_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtEditLine_ = Named(new QLineEdit(body), QStringLiteral("txtEditLine"));
    txtEditLine_->setFont(lstMacro_->font());
    lblRespData_ = Named(new QLabel(body), QStringLiteral("lblRespData"));
    lblRespData_->setFrameShape(QFrame::StyledPanel);
    lblRespData_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblRespData_->setMinimumHeight(24);
    chkLoop_ = Named(new QCheckBox(QStringLiteral("&Loop"), body), QStringLiteral("chkLoop"));
    chkErrorCheck_ = Named(new QCheckBox(QStringLiteral("&Error check"), body), QStringLiteral("chkErrorCheck"));
    const auto button = [&](const char* name, const QString& text) {
        return Named(new QPushButton(text, body), QString::fromLatin1(name));
    };
    cmdRun_ = button("cmdRun", QStringLiteral("&Run"));
    cmdStep_ = button("cmdStep", QStringLiteral("&Step"));
    cmdAbort_ = button("cmdAbort", QStringLiteral("&Abort"));
    cmdEdit_ = button("cmdEdit", QStringLiteral("E&dit"));
    cmdMoveUp_ = button("cmdMoveUp", QStringLiteral("Move &Up"));
    cmdMoveDown_ = button("cmdMoveDown", QStringLiteral("Move Do&wn"));
    auto* buttons = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(cmdRun_), static_cast<QWidget*>(cmdStep_),
                       static_cast<QWidget*>(cmdAbort_), static_cast<QWidget*>(cmdEdit_),
                       static_cast<QWidget*>(cmdMoveUp_), static_cast<QWidget*>(cmdMoveDown_),
                       static_cast<QWidget*>(chkLoop_), static_cast<QWidget*>(chkErrorCheck_)})
        buttons->addWidget(w);
    buttons->addStretch(1);
    layout->addWidget(new QLabel(QStringLiteral("Macro:"), body), 0, 0);
    layout->addWidget(lstMacro_, 1, 0);
    layout->addLayout(buttons, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Edit line:"), body), 2, 0);
    layout->addWidget(txtEditLine_, 3, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Response:"), body), 4, 0);
    layout->addWidget(lblRespData_, 5, 0, 1, 2);
    setCentralWidget(body);
    resize(720, 520);

    connect(lstMacro_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!run_) txtEditLine_->setText(row >= 0 && lstMacro_->item(row) ? lstMacro_->item(row)->text() : QString());
    });
    connect(txtEditLine_, &QLineEdit::returnPressed, this, &frmMacro::editLine);
    connect(cmdRun_, &QPushButton::clicked, this, &frmMacro::runAll);
    connect(cmdStep_, &QPushButton::clicked, this, &frmMacro::stepOne);
    connect(cmdAbort_, &QPushButton::clicked, this, &frmMacro::abort);
    connect(cmdEdit_, &QPushButton::clicked, this, &frmMacro::editLine);
    connect(cmdMoveUp_, &QPushButton::clicked, this, [this] { move(-1); });
    connect(cmdMoveDown_, &QPushButton::clicked, this, [this] { move(1); });
}

void frmMacro::buildMenus() {
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
    connect(mnuFNew, &QAction::triggered, this, &frmMacro::newMacro);
    connect(mnuFOpen, &QAction::triggered, this, &frmMacro::open);
    connect(mnuFSave, &QAction::triggered, this, &frmMacro::save);
    connect(mnuFSaveAs, &QAction::triggered, this, &frmMacro::saveAs);
    connect(mnuFPrint, &QAction::triggered, this, &frmMacro::print);
    connect(mnuFPrintPdf, &QAction::triggered, this, &frmMacro::printPdf);
    connect(mnuFExit, &QAction::triggered, this, &QWidget::close);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* mnuEInsert = entry(this, edit, "mnuEInsert", QStringLiteral("&Insert Line"));
    QAction* mnuEDelete = entry(this, edit, "mnuEDelete", QStringLiteral("&Delete Line"));
    QAction* mnuECopy = entry(this, edit, "mnuECopy", QStringLiteral("&Copy Line"));
    QAction* mnuEPaste = entry(this, edit, "mnuEPaste", QStringLiteral("&Paste Line"));
    edit->addSeparator();
    QAction* mnuENotepad = entry(this, edit, "mnuENotepad", QStringLiteral("Edit in &Text Editor..."));
    connect(mnuEInsert, &QAction::triggered, this, &frmMacro::insertLine);
    connect(mnuEDelete, &QAction::triggered, this, &frmMacro::deleteLine);
    connect(mnuECopy, &QAction::triggered, this, &frmMacro::copyLine);
    connect(mnuEPaste, &QAction::triggered, this, &frmMacro::pasteLine);
    connect(mnuENotepad, &QAction::triggered, this, &frmMacro::openInEditor);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* mnuHContents = entry(this, help, "mnuHContents", QStringLiteral("&Contents"));
    connect(mnuHContents, &QAction::triggered, this, [this] {
        if (help_) help_();
    });
    idleOnly_ = {mnuFNew, mnuFOpen, mnuFSave, mnuFSaveAs, mnuFPrint, mnuFPrintPdf,
                 mnuEInsert, mnuEDelete, mnuECopy, mnuEPaste, mnuENotepad};
}

QStringList frmMacro::lines() const {
    QStringList out;
    for (int i = 0; i < lstMacro_->count(); ++i)
        out << lstMacro_->item(i)->text();
    return out;
}

void frmMacro::setLines(const QStringList& lines) {
    lstMacro_->clear();
    lstMacro_->addItems(lines);
    if (!lines.isEmpty()) lstMacro_->setCurrentRow(0);
}

void frmMacro::markChanged() {
    changed_ = true;
}

void frmMacro::setRunning(bool on, bool stepping) {
    cmdRun_->setEnabled(!on);
    cmdStep_->setEnabled(!on);
    // A single step runs to its end; a run can always be aborted.
    cmdAbort_->setEnabled(on && !stepping);
    for (QWidget* w : {static_cast<QWidget*>(cmdEdit_), static_cast<QWidget*>(cmdMoveUp_),
                       static_cast<QWidget*>(cmdMoveDown_), static_cast<QWidget*>(txtEditLine_),
                       static_cast<QWidget*>(chkLoop_), static_cast<QWidget*>(chkErrorCheck_)})
        w->setEnabled(!on);
    for (QAction* a : idleOnly_)
        a->setEnabled(!on);
}

QString frmMacro::folder() const {
    return file_.isEmpty() ? QString() : QFileInfo(file_).absolutePath();
}

void frmMacro::runAll() {
    if (run_ || lstMacro_->count() == 0) return;
    ProgramIo io(program_);
    MacroHooks hooks;
    hooks.status = [this](const QString& text) { statusBar()->showMessage(text); };
    hooks.lineStarted = [this](int index) { lstMacro_->setCurrentRow(index); };
    hooks.reply = [this](const QString& reply) { lblRespData_->setText(reply); };
    MacroOptions options;
    options.passes = chkLoop_->isChecked() ? 0 : 1;
    options.errorCheck = chkErrorCheck_->isChecked();
    MacroRun run(program_, io, lines(), folder(), options, hooks);
    run_ = &run;
    setRunning(true);
    {
        const PromptOwner owner(program_.prompt(), this);
        run.run();
    }
    run_ = nullptr;
    setRunning(false);
    followSource();
    if (closeWhenStopped_) QTimer::singleShot(0, this, &QWidget::close);
}

void frmMacro::stepOne() {
    if (run_ || lstMacro_->count() == 0) return;
    const int index = std::max(0, lstMacro_->currentRow());
    ProgramIo io(program_);
    MacroHooks hooks;
    hooks.status = [this](const QString& text) { statusBar()->showMessage(text); };
    hooks.reply = [this](const QString& reply) { lblRespData_->setText(reply); };
    MacroOptions options;
    options.errorCheck = chkErrorCheck_->isChecked();
    MacroRun run(program_, io, lines(), folder(), options, hooks);
    run_ = &run;
    setRunning(true, true);
    {
        const PromptOwner owner(program_.prompt(), this);
        run.step(index);
    }
    run_ = nullptr;
    setRunning(false);
    lstMacro_->setCurrentRow(std::min(index + 1, lstMacro_->count() - 1));
    followSource();
    if (closeWhenStopped_) QTimer::singleShot(0, this, &QWidget::close);
}

// A macro may have changed any setting: the mirror and the panel follow the source.
void frmMacro::followSource() {
    if (program_.settings.link.bus != 0 && !program_.link.Lost())
        ReadBackState(program_, program_.sourceModel.ModelIndex);
    if (afterRun_) afterRun_();
}

void frmMacro::abort() {
    if (run_) run_->abort();
}

void frmMacro::editLine() {
    const int row = lstMacro_->currentRow();
    if (row < 0) {
        lstMacro_->addItem(txtEditLine_->text());
        lstMacro_->setCurrentRow(lstMacro_->count() - 1);
    } else {
        lstMacro_->item(row)->setText(txtEditLine_->text());
    }
    markChanged();
}

void frmMacro::insertLine() {
    const int row = std::max(0, lstMacro_->currentRow());
    lstMacro_->insertItem(row, txtEditLine_->text());
    lstMacro_->setCurrentRow(row);
    markChanged();
}

void frmMacro::deleteLine() {
    const int row = lstMacro_->currentRow();
    if (row < 0) return;
    delete lstMacro_->takeItem(row);
    markChanged();
}

void frmMacro::copyLine() {
    if (QListWidgetItem* item = lstMacro_->currentItem()) copied_ = item->text();
}

void frmMacro::pasteLine() {
    const int row = std::max(0, lstMacro_->currentRow());
    lstMacro_->insertItem(row, copied_);
    lstMacro_->setCurrentRow(row);
    markChanged();
}

void frmMacro::move(int by) {
    const int row = lstMacro_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= lstMacro_->count()) return;
    QListWidgetItem* item = lstMacro_->takeItem(row);
    lstMacro_->insertItem(to, item);
    lstMacro_->setCurrentRow(to);
    markChanged();
}

void frmMacro::newMacro() {
    if (prompt_.ask(QStringLiteral("This action will delete all entries.\r\nAre you sure you want to proceed?"),
                    PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    lstMacro_->clear();
    txtEditLine_->clear();
    file_.clear();
    changed_ = false;
}

void frmMacro::open() {
    const QString path = prompt_.chooseOpenFile({QStringLiteral("Open Command Macro File..."), kFilter,
                                                 QStringLiteral("txt"),
                                                 file_.isEmpty() ? program_.paths.userDir : folder()});
    if (!path.isEmpty()) openFile(path);
}

bool frmMacro::openFile(const QString& path) {
    const MacroRead read = ReadMacroFile(path);
    if (!read.lines) {
        prompt_.showMessage(read.error, PromptIcon::Exclamation);
        return false;
    }
    setLines(*read.lines);
    file_ = path;
    changed_ = false;
    statusBar()->showMessage(QStringLiteral("Macro = ") + QFileInfo(path).fileName());
    return true;
}

bool frmMacro::writeTo(const QString& chosen) {
    const QString path = SaveTargetPath(program_.paths, chosen);
    QString error;
    if (!WriteMacroFile(path, lines(), error)) {
        prompt_.showMessage(error, PromptIcon::Exclamation);
        return false;
    }
    file_ = path;
    changed_ = false;
    statusBar()->showMessage(QStringLiteral("Macro = ") + QFileInfo(path).fileName());
    return true;
}

bool frmMacro::save() {
    return file_.isEmpty() ? saveAs() : writeTo(file_);
}

bool frmMacro::saveAs() {
    const QString path = ChooseSavePath(prompt_, {QStringLiteral("Save Command Macro File As..."), kFilter,
                                                  QStringLiteral("txt"),
                                                  file_.isEmpty() ? program_.paths.userDir : file_});
    return !path.isEmpty() && writeTo(path);
}

void frmMacro::openInEditor() {
    if ((file_.isEmpty() || changed_) && !save()) return;
    if (!opener_(file_)) {
        prompt_.showMessage(file_ + QStringLiteral(": no text editor could be started."), PromptIcon::Exclamation);
        return;
    }
    prompt_.showMessage(QStringLiteral("Macro file open for editing. Use File, Open to reload after editing."),
                        PromptIcon::Information);
}

void frmMacro::paintListing(QPaintDevice& device) {
    QPainter painter(&device);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9);
    painter.setFont(font);
    const int line = painter.fontMetrics().lineSpacing();
    const int height = painter.viewport().height();
    int y = line;
    for (const QString& text : MacroListingLines(lines(), program_.sourceModel, QDateTime::currentDateTime())) {
        if (y > height - line) {
            if (auto* paged = dynamic_cast<QPagedPaintDevice*>(&device)) paged->newPage();
            y = line;
        }
        painter.drawText(0, y, text);
        y += line;
    }
}

void frmMacro::print() {
    if (lstMacro_->count() == 0) {
        prompt_.showMessage(QStringLiteral("Noting to print."), PromptIcon::Information);
        return;
    }
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    statusBar()->showMessage(QStringLiteral("Printing macro data, please wait..."));
    paintListing(printer);
    statusBar()->showMessage(QStringLiteral("Print completed."));
}

bool frmMacro::writeListingPdf(const QString& path, QString& error) {
    if (lstMacro_->count() == 0) {
        error = QStringLiteral("Noting to print.");
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Printing macro data, please wait..."));
    {
        QPdfWriter pdf(path);
        pdf.setTitle(QStringLiteral("Command Macro Listing"));
        paintListing(pdf);
    }
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        error = path + QStringLiteral(": the listing could not be written.");
        statusBar()->showMessage(QStringLiteral("Ready..."));
        return false;
    }
    statusBar()->showMessage(QStringLiteral("Print completed."));
    return true;
}

void frmMacro::printPdf() {
    if (lstMacro_->count() == 0) {
        prompt_.showMessage(QStringLiteral("Noting to print."), PromptIcon::Information);
        return;
    }
    const QString path = ChooseSavePath(
        prompt_, {QStringLiteral("Save Listing As PDF..."), QStringLiteral("PDF Files (*.pdf)|*.pdf"),
                  QStringLiteral("pdf"), program_.paths.userDir});
    if (path.isEmpty()) return;
    QString error;
    if (!writeListingPdf(path, error)) prompt_.showMessage(error, PromptIcon::Exclamation);
}

void frmMacro::watchForShutdown(QWidget* mainWindow) {
    mainWindow->installEventFilter(this);
    mainWindow_ = mainWindow;
}

bool frmMacro::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mainWindow_ && event->type() == QEvent::Close && run_) {
        closeWhenStopped_ = true;
        run_->abort();
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMacro::closeEvent(QCloseEvent* event) {
    if (run_) {
        // The line in progress ends, then the window closes.
        event->ignore();
        closeWhenStopped_ = true;
        run_->abort();
        return;
    }
    if (changed_ && !closeWhenStopped_) {
        const PromptAnswer a = prompt_.ask(
            QStringLiteral("Changes were made to command macro.\r\nDo you wish to save these changes?"),
            PromptButtons::YesNo, 1, PromptIcon::Question);
        if (a == PromptAnswer::Yes && !save()) {
            event->ignore();
            return;
        }
    }
    QMainWindow::closeEvent(event);
}

} // namespace ostrel
