#include "waveforms/frmEdit.h"

#include "app/ControlArrays.h"
#include "core/Program.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrel {

namespace {
const QString kActive = QStringLiteral("Waveform Editor Active");
} // namespace

frmEdit::frmEdit(Program& program, QWidget* parent) : QDialog(parent), program_(program) {
    setObjectName(QStringLiteral("frmEdit"));
    setWindowTitle(QStringLiteral("Waveform Point Editor"));
    vpk_ = PeakScale(program_.sourceModel, program_.outputState);
    rows_ = EditRows(program_.waveform.period(), vpk_, program_.decimalSeparator);

    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    grdEdit_ = Named(new QTableWidget(int(rows_.size()), 1, this), QStringLiteral("grdEdit"));
    grdEdit_->setHorizontalHeaderLabels({QStringLiteral("Voltage")});
    grdEdit_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grdEdit_->verticalHeader()->setDefaultSectionSize(20);
    QStringList indices;
    for (size_t k = 0; k < rows_.size(); ++k)
        indices << QString::number(k);
    grdEdit_->setVerticalHeaderLabels(indices);
    grdEdit_->setMinimumSize(220, 420);
    left->addWidget(grdEdit_);
    status_ = Named(new QLabel(kActive, this), QStringLiteral("StatusBar1"));
    left->addWidget(status_);
    layout->addLayout(left, 1);
    auto* buttons = new QVBoxLayout;
    const auto button = [&](const char* name, const QString& text, auto slot) {
        auto* b = Named(new QPushButton(text, this), QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button("cmdInsert", QStringLiteral("&Insert"), &frmEdit::insertRow);
    button("cmdDelete", QStringLiteral("&Delete"), &frmEdit::deleteRow);
    button("cmdClear", QStringLiteral("&Clear"), &frmEdit::clearAll);
    buttons->addStretch();
    button("cmdOk", QStringLiteral("OK"), &frmEdit::ok);
    button("cmdCancel", QStringLiteral("Cancel"), &QDialog::reject);
    layout->addLayout(buttons);

    connect(grdEdit_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_) return;
        rows_[size_t(item->row())] = {item->text(), std::nullopt};
    });
    fill();
}

QString frmEdit::status() const {
    return status_->text();
}

void frmEdit::fill() {
    filling_ = true;
    for (size_t r = 0; r < rows_.size(); ++r) {
        QTableWidgetItem* item = grdEdit_->item(int(r), 0);
        if (!item) grdEdit_->setItem(int(r), 0, item = new QTableWidgetItem);
        item->setText(rows_[r].text);
    }
    filling_ = false;
}

void frmEdit::insertRow() {
    InsertRow(rows_, std::max(0, grdEdit_->currentRow()));
    fill();
}

void frmEdit::deleteRow() {
    DeleteRow(rows_, std::max(0, grdEdit_->currentRow()));
    fill();
}

void frmEdit::clearAll() {
    PromptOwner owner(program_.prompt(), this);
    if (program_.prompt().ask(
            QStringLiteral("This operation will set all waveform\r\ndata points to zero!\r\n"
                           "Are you sure you want to continue ?"),
            PromptButtons::YesNo, 2, PromptIcon::Question) != PromptAnswer::Yes)
        return;
    status_->setText(QStringLiteral("Clearing all data points..."));
    for (EditRow& r : rows_)
        r = {QStringLiteral("0"), 0.0f};
    fill();
    status_->setText(kActive);
}

void frmEdit::ok() {
    PromptOwner owner(program_.prompt(), this);
    int bad = -1;
    const auto samples = EditedSamples(rows_, vpk_, program_.decimalSeparator, bad);
    if (!samples) {
        program_.prompt().showMessage(EntryErrorMessage(bad), PromptIcon::Exclamation);
        grdEdit_->setCurrentCell(bad, 0);
        return;
    }
    std::copy(samples->begin(), samples->end(), program_.waveform.samples.begin());
    accept();
}

} // namespace ostrel
