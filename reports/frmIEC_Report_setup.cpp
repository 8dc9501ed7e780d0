#include "reports/frmIEC_Report_setup.h"

#include "app/ControlArrays.h"
#include "core/Program.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTemplates.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace ostrel {

frmIEC_Report_setup::frmIEC_Report_setup(Program& program, QWidget* parent)
    : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("frmIEC_Report_setup"));
    setWindowTitle(QStringLiteral("Report Set-up"));
    const ReportSettings& s = program_.settings.report;
    auto* layout = new QVBoxLayout(this);

    auto* format = new QGroupBox(QStringLiteral("Report format"), this);
    auto* formatLayout = new QVBoxLayout(format);
    lstFormat_ = Named(new QListWidget(format), QStringLiteral("lstFormat"));
    lstFormat_->addItems(ReportFormatNames());
    lstFormat_->setCurrentRow(std::clamp(s.reportFormat, 0, 2));
    lstFormat_->setMaximumHeight(lstFormat_->sizeHintForRow(0) * 3 + 8);
    formatLayout->addWidget(lstFormat_);
    optUserPrompt_ = Named(new QCheckBox(QStringLiteral("Ask for the report's file name"), format),
                           QStringLiteral("optUserPrompt"));
    optUserPrompt_->setChecked(s.fileNamePrompt != 0);
    formatLayout->addWidget(optUserPrompt_);
    layout->addWidget(format);

    auto* folder = new QGroupBox(QStringLiteral("Report folder"), this);
    auto* folderLayout = new QHBoxLayout(folder);
    txtReportFolder_ =
        Named(new QLineEdit(QDir::toNativeSeparators(ReportFolder(s, program_.paths)), folder),
              QStringLiteral("txtReportFolder"));
    auto* browse = Named(new QPushButton(QStringLiteral("Browse..."), folder),
                         QStringLiteral("cmdBrowseFolder"));
    folderLayout->addWidget(txtReportFolder_, 1);
    folderLayout->addWidget(browse);
    layout->addWidget(folder);

    auto* templates = new QGroupBox(QStringLiteral("Report templates"), this);
    auto* templateLayout = new QFormLayout(templates);
    auto* userFolder =
        Named(new QLabel(QDir::toNativeSeparators(UserTemplateFolder(program_.paths)), templates),
              QStringLiteral("lblUserTemplates"));
    userFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* shippedFolder = Named(
        new QLabel(QDir::toNativeSeparators(ShippedTemplateFolder(program_.paths)), templates),
        QStringLiteral("lblShippedTemplates"));
    shippedFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    templateLayout->addRow(QStringLiteral("Your templates (used first):"), userFolder);
    templateLayout->addRow(QStringLiteral("Shipped templates:"), shippedFolder);
    cboTemplate_ = Named(new QComboBox(templates), QStringLiteral("cboTemplate"));
    cboTemplate_->addItems(ShippedTemplateNames(program_.paths));
    auto* copy = Named(new QPushButton(QStringLiteral("Copy to your templates"), templates),
                       QStringLiteral("cmdCopyTemplate"));
    auto* open = Named(new QPushButton(QStringLiteral("Open your template folder"), templates),
                       QStringLiteral("cmdOpenTemplates"));
    auto* row = new QHBoxLayout;
    row->addWidget(cboTemplate_, 1);
    row->addWidget(copy);
    row->addWidget(open);
    templateLayout->addRow(row);
    layout->addWidget(templates);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = Named(buttons->addButton(QDialogButtonBox::Ok), QStringLiteral("cmdOK"));
    auto* cancel = Named(buttons->addButton(QDialogButtonBox::Cancel), QStringLiteral("cmdCancel"));
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &frmIEC_Report_setup::browseFolder);
    connect(copy, &QPushButton::clicked, this, &frmIEC_Report_setup::copyTemplate);
    connect(open, &QPushButton::clicked, this, [this] {
        QDir().mkpath(UserTemplateFolder(program_.paths));
        QDesktopServices::openUrl(QUrl::fromLocalFile(UserTemplateFolder(program_.paths)));
    });
    connect(ok, &QPushButton::clicked, this, &frmIEC_Report_setup::store);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(560, sizeHint().height());
}

void frmIEC_Report_setup::browseFolder() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Report folder"),
                                          QDir::fromNativeSeparators(txtReportFolder_->text()));
    if (!chosen.isEmpty()) txtReportFolder_->setText(QDir::toNativeSeparators(chosen));
}

void frmIEC_Report_setup::copyTemplate() {
    PromptOwner owner(program_.prompt(), this);
    QString copied, error;
    if (!CopyTemplateToUserFolder(program_.paths, cboTemplate_->currentText(), copied, error)) {
        program_.prompt().showMessage(error, PromptIcon::Exclamation);
        return;
    }
    program_.prompt().showMessage(QStringLiteral("Your copy of the template is %1.\nEdit its logo, "
                                                 "header, styles and layout in any word "
                                                 "processor that saves .docx; keep its bookmarks.")
                                      .arg(QDir::toNativeSeparators(copied)),
                                  PromptIcon::Information);
}

void frmIEC_Report_setup::store() {
    ReportSettings& s = program_.settings.report;
    s.reportFormat = std::max(0, lstFormat_->currentRow());
    s.fileNamePrompt = optUserPrompt_->isChecked() ? 1 : 0;
    const QString folder =
        QDir::cleanPath(QDir::fromNativeSeparators(txtReportFolder_->text().trimmed()));
    // The default folder is stored as empty, so it follows the user's folder.
    ReportSettings defaults;
    s.reportFolder = folder == QDir::cleanPath(ReportFolder(defaults, program_.paths)) ||
                             folder == QLatin1String(".")
                         ? QString()
                         : folder;
    program_.saveSettings();
    accept();
}

} // namespace ostrel
