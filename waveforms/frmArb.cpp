#include "waveforms/frmArb.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "link/WaveformTransfer.h"
#include "measure/GraphView.h"
#include "measure/WindowParts.h"
#include "waveforms/WaveformGraphs.h"
#include "waveforms/WaveformName.h"
#include "waveforms/WaveformSend.h"
#include "waveforms/WaveformWindows.h"
#include "waveforms/frmDSOmdl.h"
#include "waveforms/frmEdit.h"
#include "waveforms/frmLibrary.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include <vector>

namespace ostrel {

namespace {
const QString kDrawHint = QStringLiteral("Left mouse button zooms, right mouse button draws...");
} // namespace

frmArb::frmArb(Program& program, QWidget* parent) : QWidget(parent, Qt::Window), program_(program) {
    setObjectName(QStringLiteral("frmArb"));
    setWindowTitle(QStringLiteral("Arbitrary Waveform Editor"));
    program_.waveform.lastIndex = kWaveformPeriod - 1;
    vpk_ = PeakScale(program_.sourceModel, program_.outputState);
    build();
    ReleaseLimitCheck(program_);
    fillRegisters();
    redrawBuffer();
    showStatus(kDrawHint);
    resize(900, 600);
}

void frmArb::build() {
    auto* layout = new QVBoxLayout(this);
    Pego1_ = Named(new GraphView(this), QStringLiteral("Pego1"));
    Pego1_->setMinimumSize(640, 380);
    layout->addWidget(Pego1_, 1);

    auto* tools = new QHBoxLayout;
    chkGrid_ = Named(new QCheckBox(QStringLiteral("Grid"), this), QStringLiteral("chkGrid"));
    chkGrid_->setChecked(program_.settings.graph.grid != 0);
    connect(chkGrid_, &QCheckBox::toggled, this, &frmArb::redrawBuffer);
    tools->addWidget(chkGrid_);
    tools->addSpacing(20);
    tools->addWidget(new QLabel(QStringLiteral("Waveforms in AC source:"), this));
    cmbWaveform_ = Named(new QComboBox(this), QStringLiteral("cmbWaveform"));
    cmbWaveform_->setMinimumWidth(160);
    tools->addWidget(cmbWaveform_);
    tools->addStretch();
    layout->addLayout(tools);

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* name, const QString& text, auto slot) {
        auto* b = Named(new QPushButton(text, this), QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        commands_ << b;
    };
    button("cmdEdit", QStringLiteral("&Edit..."), &frmArb::edit);
    button("cmdLibrary", QStringLiteral("&Library..."), &frmArb::library);
    button("cmdDSO", QStringLiteral("&Capture..."), &frmArb::upload);
    button("cmdLoad", QStringLiteral("L&oad..."), &frmArb::load);
    button("cmdSaveAs", QStringLiteral("&Save As..."), &frmArb::saveAs);
    button("cmdTransfer", QStringLiteral("&Transfer"), &frmArb::transfer);
    button("cmdDelete", QStringLiteral("&Delete"), &frmArb::deleteWaveform);
    buttons->addStretch();
    button("cmdOk", QStringLiteral("OK"), &frmArb::finish);
    button("cmdCancel", QStringLiteral("Cancel"), &frmArb::finish);
    layout->addLayout(buttons);
    StatusBar1_ = Named(new QLabel(this), QStringLiteral("StatusBar1"));
    StatusBar1_->setFrameShape(QFrame::StyledPanel);
    StatusBar1_->setFrameShadow(QFrame::Sunken);
    layout->addWidget(StatusBar1_);

    connect(Pego1_, &GraphView::drawPressed, this, &frmArb::drawPressed);
    connect(Pego1_, &GraphView::drawMoved, this, &frmArb::drawMoved);
    connect(Pego1_, &GraphView::drawReleased, this, [this] { drawReleased(); });
    connect(Pego1_, &GraphView::zoomed, this,
            [this] { showStatus(QStringLiteral("Use 'Z' key to unzoom...")); });
    connect(Pego1_, &GraphView::unzoomed, this, [this] { showStatus(kDrawHint); });
}

QString frmArb::status() const {
    return StatusBar1_->text();
}

void frmArb::redrawBuffer() {
    const WaveformBuffer& b = program_.waveform;
    std::vector<float> volts(size_t(b.lastIndex + 1));
    for (size_t k = 0; k < volts.size(); ++k)
        volts[k] = static_cast<float>(b.samples[k] * vpk_);
    const bool zoomed = Pego1_->isZoomed();
    Pego1_->reset();
    Pego1_->setTitle(b.name.isEmpty() ? QStringLiteral("Arbitrary Waveform") : b.name);
    ShowPeriod(*Pego1_, volts, vpk_, chkGrid_->isChecked());
    if (zoomed) showStatus(kDrawHint);
}

void frmArb::drawPressed(QPoint pixel) {
    if (transferring_) return;
    StartDrawing(drawing_, Pego1_->pixelToGraph(pixel), program_.waveform.lastIndex, vpk_);
}

void frmArb::drawMoved(QPoint pixel) {
    DrawTo(drawing_, Pego1_->pixelToGraph(pixel), program_.waveform.lastIndex, vpk_,
           program_.waveform.samples);
}

void frmArb::drawReleased() {
    if (!drawing_.drawing) return;
    StopDrawing(drawing_);
    redrawBuffer();
}

void frmArb::edit() {
    showStatus(QStringLiteral("Loading waveform datapoints, please wait..."));
    frmEdit editor(program_, this);
    editor.exec();
    redrawBuffer();
    showStatus(kDrawHint);
}

void frmArb::library() {
    frmLibrary shapes(program_, this);
    if (shapes.exec() == QDialog::Accepted) showStatus(QStringLiteral("Function library selected"));
    redrawBuffer();
    showStatus(kDrawHint);
}

void frmArb::upload() {
    showStatus(QStringLiteral("Uploading Storage Scope waveform memory to PC..."));
    frmDSOmdl capture(program_, this);
    if (capture.exec() == QDialog::Accepted) {
        showStatus(QStringLiteral("Storage Scope waveform memory transferred"));
        redrawBuffer();
    } else {
        showStatus(kDrawHint);
    }
}

void frmArb::load() {
    PromptOwner owner(program_.prompt(), this);
    const QString path =
        program_.prompt().chooseOpenFile({QStringLiteral("Open Arbitrary Wave File..."),
                                          kWaveformFileFilter,
                                          QStringLiteral("abw"),
                                          {}});
    if (path.isEmpty()) return;
    QString error;
    const auto samples = ReadAbwFile(path, error);
    if (!samples) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    program_.waveform.assign(*samples);
    program_.waveform.name = FileWaveformName(path);
    redrawBuffer();
}

void frmArb::saveAs() {
    PromptOwner owner(program_.prompt(), this);
    const QString path =
        ChooseSavePath(program_.prompt(), {QStringLiteral("Save Arbitrary Wave As ..."),
                                           kWaveformFileFilter,
                                           QStringLiteral("abw"),
                                           {}});
    if (path.isEmpty()) return;
    QString error;
    if (!WriteAbwFile(path, program_.waveform.values(), error)) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    program_.waveform.name = FileWaveformName(path);
    redrawBuffer();
}

void frmArb::transfer() {
    PromptOwner owner(program_.prompt(), this);
    const auto name = TransferName(program_, program_.waveform.name, QStringLiteral("ARBW"),
                                   [] { return QRandomGenerator::global()->bounded(20); });
    if (!name) return;
    setTransferring(true);
    const SendOutcome sent = SendWaveform(program_, *name, program_.waveform.period());
    if (sent.result == SendResult::Done) {
        ReadWaveformCatalog(program_, program_.sourceModel.ModelIndex);
        fillRegisters();
        emit catalogChanged();
    }
    setTransferring(false);
}

void frmArb::deleteWaveform() {
    PromptOwner owner(program_.prompt(), this);
    if (DeleteWaveform(program_, cmbWaveform_->currentText())) {
        cmbWaveform_->setItemText(cmbWaveform_->currentIndex(), kEmptyRegister);
        emit catalogChanged();
    }
}

void frmArb::finish() {
    RefreshCatalog(program_);
    emit catalogChanged();
    close();
}

void frmArb::fillRegisters() {
    const QString current = cmbWaveform_->currentText();
    cmbWaveform_->clear();
    cmbWaveform_->addItems(RegisterEntries(program_.sourceModel));
    const int at = cmbWaveform_->findText(current);
    if (at >= 0) cmbWaveform_->setCurrentIndex(at);
}

void frmArb::setTransferring(bool on) {
    transferring_ = on;
    for (QPushButton* b : std::as_const(commands_))
        b->setEnabled(!on);
    if (!on && closeRequested_) close();
}

void frmArb::showStatus(const QString& text) {
    StatusBar1_->setText(text);
}

void frmArb::closeEvent(QCloseEvent* event) {
    if (transferring_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace ostrel
