#include "measure/frmLogger.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "measure/MeasurementLog.h"
#include "measure/StandardMeasurement.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

frmLogger::frmLogger(Program& program, MeasurementState& state, LogRecord record, QWidget* parent)
    : QDialog(parent), program_(program), state_(state), record_(record) {
    setObjectName(QStringLiteral("frmLogger"));
    setWindowTitle(record == LogHarmonics ? QStringLiteral("Harmonic Data Logger")
                                          : QStringLiteral("Data Logger"));
    SeedLogRecords(state_, program_.settings.measurements, program_.paths.userDir);
    const LogSettings& s = state_.log[record_];
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    auto* fileRow = new QHBoxLayout;
    txtLog_ = Named(new QLineEdit(s.path, this), QStringLiteral("txtLog"));
    txtLog_->setMinimumWidth(320);
    auto* browse =
        Named(new QPushButton(QStringLiteral("Browse..."), this), QStringLiteral("cmdBrowse"));
    fileRow->addWidget(txtLog_);
    fileRow->addWidget(browse);
    form->addRow(QStringLiteral("Log file:"), fileRow);
    txtComment_ = Named(new QLineEdit(s.comment, this), QStringLiteral("txtComment"));
    form->addRow(QStringLiteral("Comment:"), txtComment_);
    txtIntvl_ =
        Named(new QLineEdit(QString::number(s.intervalSeconds), this), QStringLiteral("txtIntvl"));
    txtIntvl_->setValidator(new QIntValidator(0, 9999, txtIntvl_));
    txtIntvl_->setMaximumWidth(80);
    form->addRow(QStringLiteral("Interval (s):"), txtIntvl_);
    layout->addLayout(form);

    auto* options = new QHBoxLayout;
    auto* modeBox = new QGroupBox(QStringLiteral("Existing file"), this);
    auto* modeLayout = new QVBoxLayout(modeBox);
    QList<QRadioButton*> modeButtons;
    optMode_ = OptionArray(modeBox, QStringLiteral("optMode"),
                           {QStringLiteral("Overwrite"), QStringLiteral("Append")}, &modeButtons);
    for (QRadioButton* b : modeButtons)
        modeLayout->addWidget(b);
    optMode_->button(s.append ? 1 : 0)->setChecked(true);
    options->addWidget(modeBox);

    auto* stampBox = new QGroupBox(QStringLiteral("Time stamp"), this);
    auto* stampLayout = new QVBoxLayout(stampBox);
    QList<QRadioButton*> stampButtons;
    optStamp_ = OptionArray(stampBox, QStringLiteral("optStamp"),
                            {QStringLiteral("Date and time"), QStringLiteral("Serial day number")},
                            &stampButtons);
    for (QRadioButton* b : stampButtons)
        stampLayout->addWidget(b);
    optStamp_->button(s.dateTimeStamp ? 0 : 1)->setChecked(true);
    options->addWidget(stampBox);

    auto* phaseBox = new QGroupBox(QStringLiteral("Phases"), this);
    auto* phaseLayout = new QVBoxLayout(phaseBox);
    for (int p = 0; p < kPhaseCount; ++p) {
        chkPhase_[p] = Named(new QCheckBox(QStringLiteral("Phase ") + PhaseLetter(p), phaseBox),
                             QStringLiteral("chkPhase"), p);
        chkPhase_[p]->setChecked(s.phases[p]);
        chkPhase_[p]->setEnabled(p == 0 || program_.sourceModel.MultiPhase != 0);
        phaseLayout->addWidget(chkPhase_[p]);
    }
    options->addWidget(phaseBox);
    layout->addLayout(options);

    if (record_ == LogHarmonics) {
        chkHmPhs_ = Named(new QCheckBox(QStringLiteral("Log harmonic phase angles"), this),
                          QStringLiteral("chkHmPhs"));
        chkHmPhs_->setChecked(s.harmonicPhases);
        layout->addWidget(chkHmPhs_);
    }

    auto* buttons = new QDialogButtonBox(this);
    Named(buttons->addButton(QDialogButtonBox::Ok), QStringLiteral("cmdOK"));
    Named(buttons->addButton(QDialogButtonBox::Cancel), QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmLogger::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmLogger::reject);
    connect(browse, &QPushButton::clicked, this, &frmLogger::browse);
}

void frmLogger::browse() {
    const bool comma = state_.delimiter == QLatin1Char(',');
    const QString path =
        prompt_.chooseSaveFile({QStringLiteral("Select Data Log File"), kLogFilter,
                                comma ? QStringLiteral("csv") : QStringLiteral("txt"),
                                ResolveLogPath(txtLog_->text(), program_.paths.userDir)});
    if (!path.isEmpty()) txtLog_->setText(path);
}

void frmLogger::accept() {
    const QString path = ResolveLogPath(LoggerFilePath(txtLog_->text(), state_.delimiter), program_.paths.userDir);
    if (path.isEmpty()) {
        prompt_.showMessage(QStringLiteral("Data file must be specified."), PromptIcon::Exclamation);
        return;
    }
    LogSettings& s = state_.log[record_];
    s.path = path;
    s.comment = txtComment_->text();
    s.intervalSeconds = txtIntvl_->text().toInt();
    s.append = optMode_->checkedId() == 1;
    s.dateTimeStamp = optStamp_->checkedId() == 0;
    for (int p = 0; p < kPhaseCount; ++p)
        s.phases[p] = chkPhase_[p]->isChecked();
    if (chkHmPhs_) s.harmonicPhases = chkHmPhs_->isChecked();
    MeasurementSettings& m = program_.settings.measurements;
    if (record_ == LogHarmonics) {
        m.harmFile = s.path;
        m.harmLogInterval = s.intervalSeconds;
    } else {
        m.measFile = s.path;
        m.cycleInterval = s.intervalSeconds;
    }
    QDialog::accept();
}

} // namespace ostrel
