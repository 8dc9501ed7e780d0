#include "measure/frmMSGraphSetup.h"

#include "app/ControlArrays.h"
#include "config/Settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace ostrel {

frmMSGraphSetup::frmMSGraphSetup(GraphSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmMSGraphSetup"));
    setWindowTitle(QStringLiteral("Graph Set-up"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const char* const names[2] = {"Voltage", "Current"};
    for (int i = 0; i < 2; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(names[i]) + QLatin1Char(':'), this), i, 0);
        chkManual_[i] = Named(new QCheckBox(QStringLiteral("Manual scale, maximum"), this),
                              QStringLiteral("chkManual"), i);
        chkManual_[i]->setChecked(settings_.yScale[i] != 0);
        txtMaximum_[i] = Named(new QLineEdit(QString::number(settings_.yMaximum[i]), this),
                               QStringLiteral("txtMaximum"), i);
        txtMaximum_[i]->setValidator(new QIntValidator(1, 100000, txtMaximum_[i]));
        txtMaximum_[i]->setMaximumWidth(80);
        grid->addWidget(chkManual_[i], i, 1);
        grid->addWidget(txtMaximum_[i], i, 2);
    }
    layout->addLayout(grid);
    chkGrid_ = Named(new QCheckBox(QStringLiteral("Grid lines"), this), QStringLiteral("chkGrid"));
    chkGrid_->setChecked(settings_.grid != 0);
    layout->addWidget(chkGrid_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmMSGraphSetup::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmMSGraphSetup::reject);
}

void frmMSGraphSetup::accept() {
    for (int i = 0; i < 2; ++i) {
        settings_.yScale[i] = chkManual_[i]->isChecked() ? 1 : 0;
        settings_.yMaximum[i] = std::max(1, txtMaximum_[i]->text().toInt());
    }
    settings_.grid = chkGrid_->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace ostrel
