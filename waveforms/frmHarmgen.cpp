#include "waveforms/frmHarmgen.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "config/FileNames.h"
#include "link/WaveformTransfer.h"
#include "measure/GraphView.h"
#include "waveforms/HarmonicTableFile.h"
#include "waveforms/WaveformGraphs.h"
#include "waveforms/WaveformName.h"
#include "waveforms/WaveformSend.h"
#include "waveforms/WaveformWindows.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {

const QString kAllZero =
    QStringLiteral("All harmonic amplitudes are zero.\r\n"
                   "Enter at least one amplitude before saving or transferring.");
const QString kOverwrite =
    QStringLiteral("File specified already exists.\r\nDo you want to overwrite this file?");

QString cellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().trimmed() : QString();
}

} // namespace

frmHarmgen::frmHarmgen(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Window), program_(program) {
    setObjectName(QStringLiteral("frmHarmgen"));
    setWindowTitle(QStringLiteral("Harmonic Waveform Generator"));
    build();
    const QString lastSave = program_.paths.userFile(kLastSaveFile);
    HarmonicTable table = NewHarmonicTable();
    if (QFileInfo::exists(lastSave)) {
        QString error;
        if (const auto read = ReadHarmonicTableFile(lastSave, program_.decimalSeparator, error)) {
            table = *read;
            name_ = FileWaveformName(lastSave);
        } else {
            program_.prompt().showMessage(error, PromptIcon::Exclamation);
        }
    }
    program_.waveform.lastIndex = kWaveformPeriod - 1;
    vpk_ = PeakScale(program_.sourceModel, program_.outputState);
    showTable(table);
    ReleaseLimitCheck(program_);
    fillRegisters();
    preview();
    resize(980, 640);
}

QTableWidget* frmHarmgen::grid(const QString& name, bool odd) {
    auto* t = Named(new QTableWidget(kHarmonicTableRows, 3, this), name);
    t->setHorizontalHeaderLabels({odd ? QStringLiteral("Odd") : QStringLiteral("Even"),
                                  QStringLiteral("Ampl. (%)"), QStringLiteral("Phase (\u00b0)")});
    t->verticalHeader()->hide();
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    t->verticalHeader()->setDefaultSectionSize(20);
    for (int r = 0; r < kHarmonicTableRows; ++r) {
        const int h = odd ? 2 * r + 1 : 2 * r + 2;
        auto* label = new QTableWidgetItem(h == 1 ? QStringLiteral("Fund") : QString::number(h));
        label->setFlags(Qt::ItemIsEnabled);
        t->setItem(r, 0, label);
        for (int c = 1; c < 3; ++c)
            t->setItem(r, c, new QTableWidgetItem);
    }
    connect(t, &QTableWidget::itemChanged, this, [this] { cellEdited(); });
    return t;
}

void frmHarmgen::build() {
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    auto* grids = new QHBoxLayout;
    grdOdd_ = grid(QStringLiteral("grdOdd"), true);
    grdEven_ = grid(QStringLiteral("grdEven"), false);
    grids->addWidget(grdOdd_);
    grids->addWidget(grdEven_);
    auto* gridBox = new QWidget(this);
    gridBox->setLayout(grids);
    gridBox->setMinimumWidth(420);
    body->addWidget(gridBox);

    auto* right = new QVBoxLayout;
    Pego1_ = Named(new GraphView(this), QStringLiteral("Pego1"));
    Pego1_->setMinimumSize(480, 360);
    right->addWidget(Pego1_, 1);
    auto* options = new QHBoxLayout;
    optView_ = OptionArray(this, QStringLiteral("optView"),
                           {QStringLiteral("Harmonic table"), QStringLiteral("Waveform preview")});
    for (QAbstractButton* b : optView_->buttons())
        options->addWidget(b);
    optView_->button(1)->setChecked(true);
    connect(optView_, &QButtonGroup::idClicked, this, [this] { draw(); });
    chkAutoPreview_ = Named(new QCheckBox(QStringLiteral("Auto preview"), this),
                            QStringLiteral("chkAutoPreview"));
    chkGrid_ = Named(new QCheckBox(QStringLiteral("Grid"), this), QStringLiteral("chkGrid"));
    chkGrid_->setChecked(program_.settings.graph.grid != 0);
    options->addWidget(chkAutoPreview_);
    options->addWidget(chkGrid_);
    options->addStretch();
    right->addLayout(options);
    auto* registers = new QHBoxLayout;
    registers->addWidget(new QLabel(QStringLiteral("Waveforms in AC source:"), this));
    cmbWaveform_ = Named(new QComboBox(this), QStringLiteral("cmbWaveform"));
    cmbWaveform_->setMinimumWidth(160);
    registers->addWidget(cmbWaveform_);
    registers->addStretch();
    right->addLayout(registers);
    body->addLayout(right, 1);
    layout->addLayout(body, 1);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const QString& text, void (frmHarmgen::*slot)()) {
        auto* b = Named(new QPushButton(text, this), QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        commands_ << b;
        return b;
    };
    cmdPreview_ = button("cmdPreview", QStringLiteral("&Preview"), &frmHarmgen::preview);
    button("cmdClear", QStringLiteral("C&lear"), &frmHarmgen::clearTable);
    button("cmdLoad", QStringLiteral("&Load..."), &frmHarmgen::load);
    button("cmdSaveAs", QStringLiteral("&Save As..."), &frmHarmgen::saveAs);
    button("cmdTransfer", QStringLiteral("&Transfer"), &frmHarmgen::transfer);
    button("cmdDelete", QStringLiteral("&Delete"), &frmHarmgen::deleteWaveform);
    buttons->addStretch();
    button("cmdOk", QStringLiteral("OK"), &frmHarmgen::ok);
    auto* cancel =
        Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(cancel);
    commands_ << cancel;
    layout->addLayout(buttons);
    status_ = Named(new QLabel(this), QStringLiteral("StatusBar1"));
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setFrameShadow(QFrame::Sunken);
    layout->addWidget(status_);

    connect(chkAutoPreview_, &QCheckBox::toggled, this, [this](bool on) {
        cmdPreview_->setEnabled(!on && !transferring_);
        if (on) preview();
    });
    connect(chkGrid_, &QCheckBox::toggled, this, [this] { draw(); });
    connect(Pego1_, &GraphView::zoomed, this, [this] {
        showStatus(QStringLiteral("Use 'Z' key or left double click to unzoom..."));
    });
    connect(Pego1_, &GraphView::unzoomed, this,
            [this] { showStatus(QStringLiteral("Use left mouse button to zoom graph...")); });
}

HarmonicTable frmHarmgen::table() const {
    HarmonicTable t{};
    for (int r = 0; r < kHarmonicTableRows; ++r)
        t[r] = {cellText(grdOdd_, r, 1), cellText(grdOdd_, r, 2), cellText(grdEven_, r, 1),
                cellText(grdEven_, r, 2)};
    return t;
}

void frmHarmgen::showTable(const HarmonicTable& t) {
    filling_ = true;
    for (int r = 0; r < kHarmonicTableRows; ++r) {
        grdOdd_->item(r, 1)->setText(t[r].oddAmplitude);
        grdOdd_->item(r, 2)->setText(t[r].oddPhase);
        grdEven_->item(r, 1)->setText(t[r].evenAmplitude);
        grdEven_->item(r, 2)->setText(t[r].evenPhase);
    }
    filling_ = false;
}

void frmHarmgen::cellEdited() {
    if (!filling_ && chkAutoPreview_->isChecked()) preview();
}

void frmHarmgen::preview() {
    // An edit that arrives while a synthesis runs starts a fresh one after it.
    if (synthesising_) {
        previewAgain_ = true;
        return;
    }
    synthesising_ = true;
    do {
        previewAgain_ = false;
        synthesise();
    } while (previewAgain_);
    synthesising_ = false;
    draw();
}

void frmHarmgen::synthesise() {
    showStatus(QStringLiteral("Processing table data..."));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    synthesis_ = Synthesise(TableHarmonics(table(), program_.decimalSeparator), vpk_);
    showStatus(QStringLiteral("Processing of table data completed"));
}

void frmHarmgen::draw() {
    if (optView_->checkedId() == 0)
        drawBars();
    else
        drawWaveform();
}

void frmHarmgen::drawBars() {
    Pego1_->reset();
    Pego1_->setTitle(QStringLiteral("Harmonic Table"));
    Pego1_->setAxisTitles(QStringLiteral("Harmonics number"),
                          QStringLiteral("Relative Amplitude (%)"));
    Pego1_->setStyle(GraphStyle::Bar);
    Pego1_->setGrid(chkGrid_->isChecked());
    constexpr int kBars = 2 * kHarmonicTableRows;
    Pego1_->setSize(2, kBars);
    Pego1_->setSubsetLabel(0, QStringLiteral("Odd Harmonics"));
    Pego1_->setSubsetLabel(1, QStringLiteral("Even Harmonics"));
    Pego1_->setSubsetColor(0, 9);
    Pego1_->setSubsetColor(1, 12);
    QStringList labels;
    QVector<float> values(2 * kBars, GraphView::kNullValue);
    for (int h = 1; h <= kBars; ++h)
        labels << (h == 1 ? QStringLiteral("Fund") : QString::number(h));
    for (const Harmonic& h : TableHarmonics(table(), program_.decimalSeparator))
        values[(h.order % 2 ? 0 : kBars) + h.order - 1] = static_cast<float>(h.percent);
    Pego1_->setPointLabels(labels);
    Pego1_->setYData(values);
    Pego1_->redraw();
}

void frmHarmgen::drawWaveform() {
    Pego1_->reset();
    Pego1_->setTitle(QStringLiteral("Waveform Preview"));
    ShowPeriod(*Pego1_, synthesis_.y, vpk_, chkGrid_->isChecked());
}

bool frmHarmgen::refuseEmpty() {
    if (!synthesis_.empty()) return false;
    program_.prompt().showMessage(kAllZero, PromptIcon::Exclamation);
    return true;
}

void frmHarmgen::clearTable() {
    if (program_.prompt().ask(QStringLiteral("This operation will erase all harmonic table \r\n"
                                             "entries. Are you sure you want to continue?"),
                              PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    showTable(NewHarmonicTable());
    preview();
}

void frmHarmgen::load() {
    PromptOwner owner(program_.prompt(), this);
    const QString path =
        program_.prompt().chooseOpenFile({QStringLiteral("Open Harmonic Table File..."),
                                          kHarmonicTableFilter,
                                          QStringLiteral("hwv"),
                                          {}});
    if (path.isEmpty()) return;
    QString error;
    const auto read = ReadHarmonicTableFile(path, program_.decimalSeparator, error);
    if (!read) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    showTable(*read);
    name_ = FileWaveformName(path);
    preview();
}

void frmHarmgen::saveAs() {
    PromptOwner owner(program_.prompt(), this);
    preview();
    if (refuseEmpty()) return;
    Prompt& prompt = program_.prompt();
    const QString chosen = prompt.chooseSaveFile({QStringLiteral("Save Harmonic Table As ..."),
                                                  kHarmonicTableFilter,
                                                  QStringLiteral("hwv"),
                                                  {}});
    if (chosen.isEmpty()) return;
    const QString path = WithDefaultExtension(chosen, QStringLiteral("hwv"));
    const QFileInfo info(path);
    const QString companion =
        info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".abw");
    // One question covers both files; No writes neither.
    QString question;
    if (QFileInfo::exists(companion))
        question = QFileInfo(companion).fileName() + QStringLiteral("\r\n") + kOverwrite;
    else if (info.exists())
        question = kOverwrite;
    if (!question.isEmpty() &&
        prompt.ask(question, PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    WaveformSamples samples{};
    for (int k = 0; k < kSynthesisSamples; ++k)
        samples[k] = synthesis_.y[k] / vpk_;
    QString error;
    if (!WriteHarmonicTableFile(path, table(), program_.decimalSeparator, error) ||
        !WriteAbwFile(companion, samples, error)) {
        prompt.showMessage(error, PromptIcon::Exclamation);
        return;
    }
    name_ = FileWaveformName(path);
}

void frmHarmgen::transfer() {
    PromptOwner owner(program_.prompt(), this);
    preview();
    if (refuseEmpty()) return;
    const auto name = TransferName(program_, name_, QStringLiteral("HARM"),
                                   [] { return QRandomGenerator::global()->bounded(20); });
    if (!name) return;
    setTransferring(true);
    const SendOutcome sent = SendWaveform(program_, *name, synthesis_.d);
    if (sent.result == SendResult::Done) {
        ReadWaveformCatalog(program_, program_.sourceModel.ModelIndex);
        fillRegisters();
        emit catalogChanged();
    }
    setTransferring(false);
}

void frmHarmgen::deleteWaveform() {
    PromptOwner owner(program_.prompt(), this);
    if (DeleteWaveform(program_, cmbWaveform_->currentText())) {
        const int at = cmbWaveform_->currentIndex();
        cmbWaveform_->setItemText(at, kEmptyRegister);
        emit catalogChanged();
    }
}

void frmHarmgen::ok() {
    QString error;
    if (!WriteHarmonicTableFile(program_.paths.userFile(kLastSaveFile), table(),
                                program_.decimalSeparator, error)) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    RefreshCatalog(program_);
    emit catalogChanged();
    close();
}

void frmHarmgen::fillRegisters() {
    const QString current = cmbWaveform_->currentText();
    cmbWaveform_->clear();
    cmbWaveform_->addItems(RegisterEntries(program_.sourceModel));
    const int at = cmbWaveform_->findText(current);
    if (at >= 0) cmbWaveform_->setCurrentIndex(at);
}

void frmHarmgen::setTransferring(bool on) {
    transferring_ = on;
    for (QPushButton* b : std::as_const(commands_))
        b->setEnabled(!on);
    cmdPreview_->setEnabled(!on && !chkAutoPreview_->isChecked());
    if (!on && closeRequested_) close();
}

void frmHarmgen::showStatus(const QString& text) {
    status_->setText(text);
}

void frmHarmgen::closeEvent(QCloseEvent* event) {
    // A transfer in hand ends first; the window closes after it.
    if (transferring_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace ostrel
