#include "waveforms/frmDSOmdl.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "measure/CaptureFile.h"
#include "waveforms/CaptureUpload.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

QStringList channelNames(CaptureKind kind) {
    switch (kind) {
    case CaptureKind::VoltCurrent:
        return {QStringLiteral("Voltage"), QStringLiteral("Current")};
    case CaptureKind::ThreeVoltage:
    case CaptureKind::ThreeCurrent:
        return {QStringLiteral("Phase A"), QStringLiteral("Phase B"), QStringLiteral("Phase C")};
    case CaptureKind::Current:
        return {QStringLiteral("Current")};
    case CaptureKind::Power:
        return {QStringLiteral("Power")};
    default:
        return {QStringLiteral("Voltage")};
    }
}

} // namespace

frmDSOmdl::frmDSOmdl(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("frmDSOmdl"));
    setWindowTitle(QStringLiteral("Upload Captured Waveform"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* file = new QHBoxLayout;
    txtFile_ = Named(new QLineEdit(this), QStringLiteral("txtFile"));
    txtFile_->setReadOnly(true);
    txtFile_->setMinimumWidth(320);
    auto* browse =
        Named(new QPushButton(QStringLiteral("&Browse..."), this), QStringLiteral("cmdBrowse"));
    connect(browse, &QPushButton::clicked, this, &frmDSOmdl::browse);
    file->addWidget(txtFile_);
    file->addWidget(browse);
    form->addRow(QStringLiteral("Capture file:"), file);
    cmbChannel_ = Named(new QComboBox(this), QStringLiteral("cmbChannel"));
    form->addRow(QStringLiteral("Channel:"), cmbChannel_);
    txtFreq_ = Named(new QLineEdit(QString::number(program_.outputState.Frequency), this),
                     QStringLiteral("txtFreq"));
    form->addRow(QStringLiteral("Fundamental frequency (Hz):"), txtFreq_);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOk"));
    auto* cancel =
        Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &frmDSOmdl::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

bool frmDSOmdl::openRecord(const QString& path) {
    Capture capture;
    QString error;
    if (!ReadCaptureFile(path, capture, error)) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return false;
    }
    path_ = path;
    txtFile_->setText(path);
    cmbChannel_->clear();
    cmbChannel_->addItems(channelNames(capture.kind()).mid(0, capture.channels()));
    return true;
}

void frmDSOmdl::browse() {
    PromptOwner owner(program_.prompt(), this);
    const QString path =
        program_.prompt().chooseOpenFile({QStringLiteral("Open Waveform Capture File..."),
                                          kCaptureFilter,
                                          QStringLiteral("wfd"),
                                          {}});
    if (!path.isEmpty()) openRecord(path);
}

void frmDSOmdl::ok() {
    PromptOwner owner(program_.prompt(), this);
    if (path_.isEmpty()) return;
    Capture capture;
    QString error;
    if (!ReadCaptureFile(path_, capture, error)) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    QString text = txtFreq_->text().trimmed();
    text.replace(program_.decimalSeparator, QLatin1Char('.'));
    bool number = false;
    const double frequency = text.toDouble(&number);
    const auto period = PeriodFromCapture(capture, cmbChannel_->currentIndex(),
                                          number ? frequency : 0, path_, error);
    if (!period) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    std::copy(period->begin(), period->end(), program_.waveform.samples.begin());
    accept();
}

} // namespace ostrel
