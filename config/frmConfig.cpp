#include "config/frmConfig.h"

#include "core/Program.h"
#include "app/ControlArrays.h"
#include "link/Numbers.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

frmConfig::frmConfig(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), owner_(program.prompt(), this) {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("AC Source Configuration"));
    const SourceModel& m = program_.sourceModel;
    auto* layout = new QGridLayout(this);

    auto* info = new QLabel(QStringLiteral("AC source model = %1\nSerial number = %2\nRev = %3\nFW P/N = %4")
                                .arg(m.Designation, m.SerialNumber, FormatNumber(m.FirmwareRevision, u"0.00"),
                                     m.FirmwarePartNumber),
                            this);
    info->setObjectName(QStringLiteral("lblModel"));
    layout->addWidget(info, 0, 0, 1, 2);
    auto* controller = Named(new QLabel(QStringLiteral("Controller: MASTER"), this), QStringLiteral("lblController"));
    layout->addWidget(controller, 0, 2);

    optSync_ = OptionArray(this, QStringLiteral("optSync"),
                           {QStringLiteral("Internal clock"), QStringLiteral("External / line sync"),
                            QStringLiteral("Auxiliary")});
    optTrigMode_ = OptionArray(this, QStringLiteral("optTrigMode"),
                               {QStringLiteral("Trigger"), QStringLiteral("Frame strobe")});
    optRemInhibit_ = OptionArray(this, QStringLiteral("optRemInhibit"),
                                 {QStringLiteral("Live"), QStringLiteral("Latching"), QStringLiteral("Off")});
    optTHDMode_ = OptionArray(this, QStringLiteral("optTHDMode"),
                              {QStringLiteral("RMS reference"), QStringLiteral("Fundamental reference")});
    layout->addWidget(OptionBox(this, QStringLiteral("Synchronisation"), optSync_), 1, 0);
    layout->addWidget(OptionBox(this, QStringLiteral("Trigger output"), optTrigMode_), 1, 1);
    layout->addWidget(OptionBox(this, QStringLiteral("Remote inhibit"), optRemInhibit_), 1, 2);
    layout->addWidget(OptionBox(this, QStringLiteral("Distortion"), optTHDMode_), 2, 0);

    auto* misc = new QGroupBox(QStringLiteral("Relay and data"), this);
    auto* miscLayout = new QGridLayout(misc);
    miscLayout->addWidget(new QLabel(QStringLiteral("Relay hold-off"), misc), 0, 0);
    txtRelayHoldoff_ = Named(new QLineEdit(QString::number(m.RelayHold), misc), QStringLiteral("txtRelayHoldoff"));
    miscLayout->addWidget(txtRelayHoldoff_, 0, 1);
    chkAsciiMode_ = Named(new QCheckBox(QStringLiteral("Measurement arrays as text"), misc), QStringLiteral("chkAsciiMode"));
    chkAsciiMode_->setChecked(true);
    miscLayout->addWidget(chkAsciiMode_, 1, 0, 1, 2);
    auto* lan = Named(new QPushButton(QStringLiteral("LAN settings..."), misc), QStringLiteral("cmdLan"));
    miscLayout->addWidget(lan, 2, 0, 1, 2);
    layout->addWidget(misc, 2, 1, 1, 2);

    auto* limits = new QGroupBox(QStringLiteral("User limits"), this);
    auto* limitLayout = new QGridLayout(limits);
    const QStringList captions{QStringLiteral("Frequency max (Hz)"), QStringLiteral("Frequency min (Hz)"),
                               QStringLiteral("AC high range max (V)"), QStringLiteral("AC low range max (V)"),
                               QStringLiteral("DC+ high range max (V)"), QStringLiteral("DC+ low range max (V)"),
                               QStringLiteral("DC- high range min (V)"), QStringLiteral("DC- low range min (V)")};
    const LimitTexts texts = LimitTextsOf(program_.settings.userLimits);
    for (int i = 0; i < kLimitBoxes; ++i) {
        limitLayout->addWidget(new QLabel(captions[i], limits), i / 2, (i % 2) * 2);
        auto* box = Named(new QLineEdit(texts[i], limits), QStringLiteral("txtLimit"), i);
        box->setAlignment(Qt::AlignRight);
        txtLimit_.append(box);
        limitLayout->addWidget(box, i / 2, (i % 2) * 2 + 1);
    }
    const UserLimits& u = program_.settings.userLimits;
    chkAllowAC_ = Named(new QCheckBox(QStringLiteral("Allow AC"), limits), QStringLiteral("chkAllowAC"));
    chkAllowDC_ = Named(new QCheckBox(QStringLiteral("Allow DC"), limits), QStringLiteral("chkAllowDC"));
    chkAllowACDC_ = Named(new QCheckBox(QStringLiteral("Allow AC+DC"), limits), QStringLiteral("chkAllowACDC"));
    chkAllowAC_->setChecked(u.allowACMode);
    chkAllowDC_->setChecked(u.allowDCMode);
    chkAllowACDC_->setChecked(u.allowACDCMode);
    limitLayout->addWidget(chkAllowAC_, 4, 0);
    limitLayout->addWidget(chkAllowDC_, 4, 1);
    limitLayout->addWidget(chkAllowACDC_, 4, 2);
    auto* resetLimits = Named(new QPushButton(QStringLiteral("Model limits"), limits), QStringLiteral("cmdResetUserLimits"));
    limitLayout->addWidget(resetLimits, 4, 3);
    layout->addWidget(limits, 3, 0, 1, 3);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    layout->addWidget(buttons, 4, 0, 1, 3);

    // What the source says now.
    const OutputState& s = program_.outputState;
    int sync = s.AuxSync ? 2 : s.ExtSync ? 1 : 0;
    if (connected()) {
        const QString mode = program_.link.Query(0, QStringLiteral("freq:mode?"));
        sync = mode.contains(QLatin1String("AUX")) ? 2 : mode.contains(QLatin1String("SENS")) ? 1 : 0;
        if (program_.link.Query(0, QStringLiteral("syst:cont?")).contains(QLatin1String("AUX")))
            controller->setText(QStringLiteral("Controller: AUXILIARY"));
        optTHDMode_->button(program_.link.Query(0, QStringLiteral("meas:thd:mode?")).contains(QLatin1String("FUND")) ? 1 : 0)
            ->setChecked(true);
        program_.link.Query(0, QStringLiteral("*opt?"));
    } else {
        optTHDMode_->button(0)->setChecked(true);
    }
    syncAtOpen_ = sync;
    trigAtOpen_ = m.TtlStrobeMode ? 1 : 0;
    holdOffAtOpen_ = txtRelayHoldoff_->text();
    optSync_->button(sync)->setChecked(true);
    optTrigMode_->button(trigAtOpen_)->setChecked(true);
    optRemInhibit_->button(std::clamp(s.RemoteInhibit, 0, 2))->setChecked(true);

    connect(optRemInhibit_, &QButtonGroup::idClicked, this, [this](int mode) { ApplyRemoteInhibit(program_, mode); });
    connect(optTHDMode_, &QButtonGroup::idClicked, this, [this](int fund) {
        if (connected()) program_.link.Send(0, fund ? QStringLiteral("meas:thd:mode fund") : QStringLiteral("meas:thd:mode rmsq"));
    });
    connect(chkAsciiMode_, &QCheckBox::clicked, this, [this](bool text) {
        if (connected()) program_.link.Send(0, text ? QStringLiteral("meas:array:mode asc") : QStringLiteral("meas:array:mode bin"));
    });
    connect(lan, &QPushButton::clicked, this,
            [this] { program_.prompt().showMessage(LanSettingsText(program_), PromptIcon::Information); });
    connect(resetLimits, &QPushButton::clicked, this, [this] {
        const LimitTexts model = ModelLimitTexts(program_.sourceModel);
        for (int i = 0; i < kLimitBoxes; ++i) txtLimit_[i]->setText(model[i]);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool frmConfig::connected() const { return program_.settings.link.bus != 0; }

void frmConfig::done(int result) {
    if (result != QDialog::Accepted) return QDialog::done(result);
    LimitTexts texts;
    for (int i = 0; i < kLimitBoxes; ++i) texts[i] = txtLimit_[i]->text();
    const LimitCheck check = CheckUserLimits(texts, chkAllowAC_->isChecked(), chkAllowDC_->isChecked(),
                                             chkAllowACDC_->isChecked(), program_.sourceModel, program_.decimalSeparator);
    if (!check.message.isEmpty())
        program_.prompt().showMessage(check.message, check.closeWindow ? PromptIcon::Information : PromptIcon::Exclamation);
    if (!check.closeWindow) return;
    program_.settings.userLimits = check.limits;
    if (optSync_->checkedId() != syncAtOpen_) ApplySynchronisation(program_, optSync_->checkedId());
    if (optTrigMode_->checkedId() != trigAtOpen_) ApplyTriggerOutput(program_, optTrigMode_->checkedId());
    float holdOff = 0;
    if (txtRelayHoldoff_->text() != holdOffAtOpen_ &&
        TryParseSingle(txtRelayHoldoff_->text(), holdOff, program_.decimalSeparator))
        ApplyRelayHoldOff(program_, holdOff);
    QDialog::done(result);
}

} // namespace ostrel
