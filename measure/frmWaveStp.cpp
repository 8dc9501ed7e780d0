#include "measure/frmWaveStp.h"

#include "app/ControlArrays.h"
#include "config/Settings.h"
#include "measure/Capture.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ostrel {

frmWaveStp::frmWaveStp(WaveSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmWaveStp"));
    setWindowTitle(QStringLiteral("Waveform Display Set-up"));
    auto* layout = new QVBoxLayout(this);

    auto* buffer = new QGroupBox(QStringLiteral("Acquisition buffer"), this);
    auto* bufferGrid = new QGridLayout(buffer);
    const auto scroll = [&](const char* name, int min, int max, int value, int row,
                            QLabel*& shown) {
        auto* s = Named(new QScrollBar(Qt::Horizontal, buffer), QString::fromLatin1(name));
        s->setRange(min, max);
        s->setPageStep(1);
        s->setValue(value);
        s->setMinimumWidth(220);
        shown = new QLabel(buffer);
        shown->setMinimumWidth(170);
        bufferGrid->addWidget(s, row, 1);
        bufferGrid->addWidget(shown, row, 2);
        connect(s, &QScrollBar::valueChanged, this, &frmWaveStp::showBuffer);
        return s;
    };
    bufferGrid->addWidget(new QLabel(QStringLiteral("Size:"), buffer), 0, 0);
    bufferGrid->addWidget(new QLabel(QStringLiteral("Offset:"), buffer), 1, 0);
    hscBufferSize_ =
        scroll("hscBufferSize", 1, kMaxBlocks, settings_.bufferSize, 0, lblBufferSize_);
    hscBufferOffset_ =
        scroll("hscBufferOffset", 0, kMaxBlocks - 1, settings_.bufferOffset, 1, lblBufferOffset_);
    layout->addWidget(buffer);

    auto* scale = new QGroupBox(QStringLiteral("Graph scale"), this);
    auto* scaleGrid = new QGridLayout(scale);
    const char* const names[3] = {"Voltage", "Current", "Power"};
    const int* manual[3] = {&settings_.vYScale, &settings_.cYScale, &settings_.pYScale};
    const int* maximum[3] = {&settings_.vYMaximum, &settings_.cYMaximum, &settings_.pYMaximum};
    for (int i = 0; i < 3; ++i) {
        scaleGrid->addWidget(new QLabel(QString::fromLatin1(names[i]) + QLatin1Char(':'), scale), i,
                             0);
        chkScale_[i] = Named(new QCheckBox(QStringLiteral("Manual, \u00b1"), scale),
                             QStringLiteral("chkScale"), i);
        chkScale_[i]->setChecked(*manual[i] != 0);
        txtMaximum_[i] = Named(new QLineEdit(QString::number(*maximum[i]), scale),
                               QStringLiteral("txtMaximum"), i);
        txtMaximum_[i]->setValidator(new QIntValidator(1, 1000000, txtMaximum_[i]));
        txtMaximum_[i]->setMaximumWidth(90);
        scaleGrid->addWidget(chkScale_[i], i, 1);
        scaleGrid->addWidget(txtMaximum_[i], i, 2);
    }
    chkGrid_ = Named(new QCheckBox(QStringLiteral("Grid lines"), scale), QStringLiteral("chkGrid"));
    chkGrid_->setChecked(settings_.grid != 0);
    scaleGrid->addWidget(chkGrid_, 3, 1);
    layout->addWidget(scale);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmWaveStp::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmWaveStp::reject);
    showBuffer();
}

void frmWaveStp::showBuffer() {
    // The buffer never reaches past its 16 blocks.
    hscBufferOffset_->setMaximum(kMaxBlocks - hscBufferSize_->value());
    const int size = hscBufferSize_->value();
    lblBufferSize_->setText(
        QStringLiteral("%1 blocks (%2 samples)").arg(size).arg(size * kBlockSamples));
    lblBufferOffset_->setText(QStringLiteral("%1 blocks").arg(hscBufferOffset_->value()));
}

void frmWaveStp::accept() {
    settings_.bufferSize = hscBufferSize_->value();
    settings_.bufferOffset = hscBufferOffset_->value();
    int* manual[3] = {&settings_.vYScale, &settings_.cYScale, &settings_.pYScale};
    int* maximum[3] = {&settings_.vYMaximum, &settings_.cYMaximum, &settings_.pYMaximum};
    for (int i = 0; i < 3; ++i) {
        *manual[i] = chkScale_[i]->isChecked() ? 1 : 0;
        *maximum[i] = std::max(1, txtMaximum_[i]->text().toInt());
    }
    settings_.grid = chkGrid_->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace ostrel
