#include "waveforms/frmLibrary.h"

#include "app/ControlArrays.h"
#include "core/Program.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <random>

namespace ostrel {

frmLibrary::frmLibrary(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("frmLibrary"));
    setWindowTitle(QStringLiteral("Function Library"));
    auto* layout = new QHBoxLayout(this);
    QStringList captions;
    for (int i = 0; i < kShapeCount; ++i)
        captions << ShapeCaption(Shape(i));
    optStd_ = OptionArray(this, QStringLiteral("optStd"), captions);
    optStd_->button(0)->setChecked(true);
    layout->addWidget(OptionBox(this, QStringLiteral("Function"), optStd_));

    auto* settingsBox = new QGroupBox(QStringLiteral("Settings"), this);
    auto* form = new QFormLayout(settingsBox);
    cmbMult_ = Named(new QComboBox(settingsBox), QStringLiteral("cmbMult"));
    for (int i = 0; i <= kMaxMultiplierIndex; ++i)
        cmbMult_->addItem(QStringLiteral("x%1").arg(1 << i));
    form->addRow(QStringLiteral("Frequency multiplier:"), cmbMult_);
    const auto row = [&](const QString& label, QLineEdit* box, const QString& unit) {
        auto* line = new QHBoxLayout;
        line->addWidget(box);
        line->addWidget(findChild<QSpinBox*>(box->property("spin").toString()));
        line->addWidget(new QLabel(unit, settingsBox));
        form->addRow(label, line);
    };
    txtSine_ = entry("txtSine", "spnSine", 0, 100, 100);
    row(QStringLiteral("Amplitude:"), txtSine_, QStringLiteral("%"));
    txtNoise_ = entry("txtNoise", "spnNoise", 1, 50, 10);
    row(QStringLiteral("Noise:"), txtNoise_, QStringLiteral("%"));
    txtClipped_ = entry("txtClipped", "spnClipped", 1, 50, 10);
    row(QStringLiteral("Clipping:"), txtClipped_, QStringLiteral("%"));
    txtAngle_ = entry("txtAngle", "spnAngle", 0, 360, 0);
    row(QStringLiteral("Start angle:"), txtAngle_, QStringLiteral("\u00b0"));
    txtWidth_ = entry("txtWidth", "spnWidth", 0, 360, 90);
    row(QStringLiteral("Width:"), txtWidth_, QStringLiteral("\u00b0"));
    txtLevel_ = entry("txtLevel", "spnLevel", -100, 100, 100);
    row(QStringLiteral("Level:"), txtLevel_, QStringLiteral("% of FS."));
    layout->addWidget(settingsBox, 1);

    auto* buttons = new QVBoxLayout;
    auto* ok = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOk"));
    auto* cancel =
        Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &frmLibrary::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
}

// A number box with its spin buttons; the box may be typed, the buttons step
// it within the range.
QLineEdit* frmLibrary::entry(const char* name, const char* spin, int low, int high, int initial) {
    auto* box = Named(new QLineEdit(QString::number(initial), this), QString::fromLatin1(name));
    box->setMaximumWidth(80);
    auto* buttons = Named(new QSpinBox(this), QString::fromLatin1(spin));
    buttons->setRange(low, high);
    buttons->setValue(initial);
    buttons->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    buttons->setFixedWidth(20);
    box->setProperty("spin", QString::fromLatin1(spin));
    connect(buttons, &QSpinBox::valueChanged, box,
            [box](int v) { box->setText(QString::number(v)); });
    return box;
}

ShapeSettings frmLibrary::settings() const {
    const auto number = [this](const QLineEdit* box, double fallback) {
        QString t = box->text().trimmed();
        t.replace(program_.decimalSeparator, QLatin1Char('.'));
        bool ok = false;
        const double v = t.toDouble(&ok);
        return ok && std::isfinite(v) ? v : fallback;
    };
    ShapeSettings s;
    s.multiplierIndex = cmbMult_->currentIndex();
    s.sinePercent = number(txtSine_, 100);
    s.noisePercent = number(txtNoise_, 10);
    s.clippedPercent = number(txtClipped_, 10);
    s.angle = number(txtAngle_, 0);
    s.width = number(txtWidth_, 90);
    s.levelPercent =
        static_cast<int>(std::trunc(std::clamp(number(txtLevel_, 100), -100.0, 100.0)));
    return Limited(s);
}

void frmLibrary::ok() {
    std::mt19937 generator(QRandomGenerator::global()->generate());
    std::uniform_real_distribution<double> uniform(0, 1);
    FillShape(Shape(optStd_->checkedId()), settings(),
              std::span<float>(program_.waveform.samples.data(), kWaveformPeriod),
              [&] { return uniform(generator); });
    accept();
}

} // namespace ostrel
