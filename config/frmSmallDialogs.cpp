#include "config/frmSmallDialogs.h"

#include "core/Program.h"
#include "app/ControlArrays.h"
#include "app/EntryRejection.h"
#include "config/SourceConfiguration.h"
#include "link/ModelTable.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

namespace {
QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

frmInit::frmInit(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), owner_(program.prompt(), this) {
    setObjectName(QStringLiteral("frmInit"));
    setWindowTitle(QStringLiteral("Power-on Settings"));
    auto* layout = new QVBoxLayout(this);
    optPon_ = OptionArray(this, QStringLiteral("optPon"),
                          {QStringLiteral("Reset state (*RST)"), QStringLiteral("Setup register 0")});
    optClockMode_ = OptionArray(this, QStringLiteral("optClockMode"),
                                {QStringLiteral("Standalone"), QStringLiteral("Master"), QStringLiteral("Auxiliary")});
    layout->addWidget(OptionBox(this, QStringLiteral("At power-on the output takes"), optPon_));
    layout->addWidget(OptionBox(this, QStringLiteral("Clock mode"), optClockMode_));
    layout->addWidget(okCancel(this));
    const bool reset = program_.link.Query(0, QStringLiteral("outp:pon?")).contains(QLatin1String("RST"));
    optPon_->button(reset ? 0 : 1)->setChecked(true);
    const QString clock = program_.link.Query(0, QStringLiteral("pons:cloc?"));
    optClockMode_->button(clock.contains(QLatin1String("AUX")) ? 2 : clock.contains(QLatin1String("MAST")) ? 1 : 0)
        ->setChecked(true);
}

void frmInit::accept() {
    ApplyPowerOn(program_, optPon_->checkedId() == 0, optClockMode_->checkedId());
    QDialog::accept();
}

frmModels::frmModels(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), owner_(program.prompt(), this) {
    setObjectName(QStringLiteral("frmModels"));
    setWindowTitle(QStringLiteral("Model"));
    auto* layout = new QVBoxLayout(this);
    QStringList names;
    for (const ModelRow& row : kModelTable) {
        const std::string_view name = row.fixedName.empty() ? row.displayName : row.fixedName;
        names.append(QStringLiteral("%1  (%2)").arg(QString::fromLatin1(name.data(), qsizetype(name.size())),
                                                    row.phases == 3 ? QStringLiteral("three-phase")
                                                                    : QStringLiteral("single-phase")));
    }
    optModel_ = OptionArray(this, QStringLiteral("optModel"), names);
    layout->addWidget(OptionBox(this, QStringLiteral("Model to simulate"), optModel_));
    layout->addWidget(okCancel(this));
    if (QAbstractButton* b = optModel_->button(program_.sourceModel.ModelIndex)) b->setChecked(true);
}

void frmModels::accept() {
    changed_ = ChooseModel(program_, optModel_->checkedId());
    QDialog::accept();
}

frmGuiSettings::frmGuiSettings(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), owner_(program.prompt(), this) {
    setObjectName(QStringLiteral("frmGuiSettings"));
    setWindowTitle(QStringLiteral("Program Timing"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    LinkSettings& l = program_.settings.link;
    MeasurementSettings& m = program_.settings.measurements;
    const auto box = [&](const char* name, int& value, int min, int max, const QString& caption) {
        auto* e = Named(new QLineEdit(QString::number(value), this), QString::fromLatin1(name));
        e->setAlignment(Qt::AlignRight);
        form->addRow(caption, e);
        entries_.push_back({e, &value, min, max});
        return e;
    };
    txtCmdDelay_ = box("txtCmdDelay", l.cmdDelay, 0, 5000, QStringLiteral("Command delay (ms)"));
    txtArbDelay_ = box("txtArbDelay", l.arbDownloadDelay, 0, 10000, QStringLiteral("Waveform download delay (ms)"));
    txtVSlider_ = box("txtVSlider", l.vSliderDelay, 0, 5000, QStringLiteral("Voltage slider delay (ms)"));
    txtVMeasAvg_ = box("txtVMeasAvg", m.voltAverage, 1, 100, QStringLiteral("Voltage readings averaged"));
    txtCMeasAvg_ = box("txtCMeasAvg", m.currentAverage, 1, 100, QStringLiteral("Current readings averaged"));
    layout->addLayout(form);
    auto* defaults = Named(new QPushButton(QStringLiteral("Defaults"), this), QStringLiteral("cmdSetDefaults"));
    layout->addWidget(defaults, 0, Qt::AlignLeft);
    layout->addWidget(okCancel(this));
    connect(defaults, &QPushButton::clicked, this, [this] {
        txtCmdDelay_->setText(QStringLiteral("0"));
        txtVSlider_->setText(QStringLiteral("0"));
        txtArbDelay_->setText(QStringLiteral("300"));
    });
}

void frmGuiSettings::accept() {
    // Nothing is taken unless every box holds a whole number in its range;
    // a refused box shows its value again and the dialog stays open.
    std::vector<int> values;
    for (const Entry& e : entries_) {
        bool ok = false;
        const int v = e.box->text().trimmed().toInt(&ok);
        if (!ok || v < e.min || v > e.max) {
            ReportRejectedEntry(program_);
            e.box->setText(QString::number(*e.value));
            e.box->setFocus();
            e.box->selectAll();
            return;
        }
        values.push_back(v);
    }
    for (size_t i = 0; i < entries_.size(); ++i) *entries_[i].value = values[i];
    QDialog::accept();
}

} // namespace ostrel
