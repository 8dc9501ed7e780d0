#include "config/frmInter.h"

#include "app/ControlArrays.h"
#include "app/EntrySignals.h"
#include "core/Program.h"
#include "link/Decoders.h"
#include "link/Identification.h"
#include "link/Numbers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ostrel {

namespace {
constexpr int kSerialPortChoices = 8;
} // namespace

frmInter::frmInter(Program& program, QWidget* parent)
    : QDialog(parent), program_(program), owner_(program.prompt(), this) {
    setObjectName(QStringLiteral("frmInter"));
    setWindowTitle(QStringLiteral("Interface Settings"));
    program_.interfaceDialogOpen = true;
    const InterfaceChoice now = CurrentInterface(program_);

    auto* layout = new QGridLayout(this);
    auto* type = new QGroupBox(QStringLiteral("Interface"), this);
    auto* typeLayout = new QVBoxLayout(type);
    optType_ = new QButtonGroup(this);
    const QStringList types{QStringLiteral("Simulation (no connection)"), QStringLiteral("RS-232"),
                            QStringLiteral("GPIB (IEEE-488)"), QStringLiteral("LAN")};
    for (int i = 0; i < types.size(); ++i) {
        auto* b = Named(new QRadioButton(types[i], type), QStringLiteral("optType"), i);
        optType_->addButton(b, i);
        typeLayout->addWidget(b);
    }
    optType_->button(std::clamp(now.bus, 0, 3))->setChecked(true);
    typeLayout->addStretch();
    layout->addWidget(type, 0, 0, 2, 1);

    fraRS_ = Named(new QGroupBox(QStringLiteral("RS-232"), this), QStringLiteral("fraRS"));
    auto* rs = new QGridLayout(fraRS_);
    optRS_ = new QButtonGroup(this);
    for (int i = 0; i < kSerialPortChoices; ++i) {
        auto* b = Named(new QRadioButton(QStringLiteral("COM%1").arg(i + 1), fraRS_), QStringLiteral("optRS"), i);
        optRS_->addButton(b, i);
        rs->addWidget(b, i / 4, i % 4);
    }
    optRS_->button(std::clamp(now.serialPort - 1, 0, kSerialPortChoices - 1))->setChecked(true);
    rs->addWidget(new QLabel(QStringLiteral("Device"), fraRS_), 2, 0);
    txtDevice_ = Named(new QLineEdit(now.serialDevice, fraRS_), QStringLiteral("txtDevice"));
    txtDevice_->setPlaceholderText(QStringLiteral("USB adapter or /dev/pts/N (overrides COM)"));
    rs->addWidget(txtDevice_, 2, 1, 1, 3);
    rs->addWidget(Named(new QLabel(QStringLiteral("Baud rate"), fraRS_), QStringLiteral("lblBaud")), 3, 0);
    cmbBaud_ = Named(new QComboBox(fraRS_), QStringLiteral("cmbBaud"));
    for (int i = 0; i < kBaudCount; ++i) cmbBaud_->addItem(QString::number(BaudRate(i)));
    cmbBaud_->setCurrentIndex(std::clamp(now.baudIndex, 0, kBaudCount - 1));
    rs->addWidget(cmbBaud_, 3, 1);
    chkHandshake_ = Named(new QCheckBox(QStringLiteral("RTS/CTS handshake"), fraRS_), QStringLiteral("chkHandshake"));
    chkHandshake_->setChecked(now.handshake == 1);
    rs->addWidget(chkHandshake_, 3, 2, 1, 2);
    layout->addWidget(fraRS_, 0, 1);

    fraIEEE_ = Named(new QGroupBox(QStringLiteral("GPIB"), this), QStringLiteral("fraIEEE"));
    auto* ieee = new QGridLayout(fraIEEE_);
    ieee->addWidget(Named(new QLabel(QStringLiteral("Source address"), fraIEEE_), QStringLiteral("lblAddress")), 0, 0);
    cboAddress_ = Named(new QComboBox(fraIEEE_), QStringLiteral("cboAddress"));
    for (int a = 0; a <= 30; ++a) cboAddress_->addItem(QString::number(a));
    cboAddress_->setCurrentIndex(std::clamp(now.address, 0, 30));
    ieee->addWidget(cboAddress_, 0, 1);
    ieee->addWidget(Named(new QLabel(QStringLiteral("Board"), fraIEEE_), QStringLiteral("lblBoardID")), 1, 0);
    txtBoardID_ = Named(new QLineEdit(QString::number(now.board), fraIEEE_), QStringLiteral("txtBoardID"));
    ieee->addWidget(txtBoardID_, 1, 1);
    layout->addWidget(fraIEEE_, 0, 1);

    fraLanIO_ = Named(new QGroupBox(QStringLiteral("LAN"), this), QStringLiteral("fraLanIO"));
    auto* lan = new QGridLayout(fraLanIO_);
    lan->addWidget(Named(new QLabel(QStringLiteral("IP address"), fraLanIO_), QStringLiteral("lblIPAddress")), 0, 0);
    txtIPaddress_ = Named(new QLineEdit(now.ipAddress, fraLanIO_), QStringLiteral("txtIPaddress"));
    lan->addWidget(txtIPaddress_, 0, 1);
    lan->addWidget(Named(new QLabel(QStringLiteral("Port"), fraLanIO_), QStringLiteral("lblIPPort")), 1, 0);
    txtIPPort_ = Named(new QLineEdit(QString::number(now.socketPort), fraLanIO_), QStringLiteral("txtIPPort"));
    lan->addWidget(txtIPPort_, 1, 1);
    layout->addWidget(fraLanIO_, 0, 1);

    fraSend_ = Named(new QGroupBox(QStringLiteral("Command"), this), QStringLiteral("fraSend"));
    auto* send = new QHBoxLayout(fraSend_);
    cboSend_ = Named(new QComboBox(fraSend_), QStringLiteral("cboSend"));
    cboSend_->setEditable(true);
    cboSend_->addItems({"SYST:ERR?", "*ESR?", "*IDN?", "*STB?", "*RST", "FREQ?", "VOLT?", "CURR?"});
    cboSend_->setMinimumWidth(220);
    send->addWidget(cboSend_, 1);
    cmdSend_ = Named(new QPushButton(QStringLiteral("Send"), fraSend_), QStringLiteral("cmdSend"));
    send->addWidget(cmdSend_);
    layout->addWidget(fraSend_, 1, 1);

    fraReceive_ = Named(new QGroupBox(QStringLiteral("Response"), this), QStringLiteral("fraReceive"));
    auto* receive = new QVBoxLayout(fraReceive_);
    txtReceive_ = Named(new QPlainTextEdit(fraReceive_), QStringLiteral("txtReceive"));
    txtReceive_->setReadOnly(true);
    txtReceive_->setMinimumHeight(120);
    receive->addWidget(txtReceive_);
    cmdClear_ = Named(new QPushButton(QStringLiteral("Clear"), fraReceive_), QStringLiteral("cmdClear"));
    receive->addWidget(cmdClear_, 0, Qt::AlignRight);
    layout->addWidget(fraReceive_, 2, 0, 1, 2);

    lblWarning_ = Named(new QLabel(this), QStringLiteral("lblWarning"));
    lblWarning_->setStyleSheet(QStringLiteral("font-weight: bold; color: #1f4e79;"));
    layout->addWidget(lblWarning_, 3, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    cmdVerify_ = Named(new QPushButton(QStringLiteral("Verify"), this), QStringLiteral("cmdVerify"));
    cmdOk_ = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOk"));
    cmdCancel_ = Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    cmdHelp_ = Named(new QPushButton(QStringLiteral("Help"), this), QStringLiteral("cmdHelp"));
    buttons->addWidget(cmdHelp_);
    buttons->addStretch();
    for (QPushButton* b : {cmdVerify_, cmdOk_, cmdCancel_}) buttons->addWidget(b);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setColumnStretch(1, 1);

    connect(optType_, &QButtonGroup::idClicked, this, [this] {
        changed_ = true;
        layoutForTransport();
    });
    connect(optRS_, &QButtonGroup::idClicked, this, [this] { changed_ = true; });
    connect(txtBoardID_, &QLineEdit::editingFinished, this,
            [this] { txtBoardID_->setText(QString::number(static_cast<int>(ParseSingle(txtBoardID_->text())))); });
    connect(cmdVerify_, &QPushButton::clicked, this, &frmInter::verify);
    connect(cmdOk_, &QPushButton::clicked, this, &frmInter::apply);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmInter::cancel);
    connect(cmdClear_, &QPushButton::clicked, txtReceive_, &QPlainTextEdit::clear);
    connect(cmdHelp_, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp();
    });
    connect(cmdSend_, &QPushButton::clicked, this, [this] {
        terminalUsed_ = true;
        SendFromTerminal(program_, choice(), cboSend_->currentText(), [this](const QString& t) { appendReceived(t); });
    });
    layoutForTransport();
}

frmInter::~frmInter() {
    DisconnectEntries(*this);
    program_.interfaceDialogOpen = false;
}

void frmInter::layoutForTransport() {
    const int bus = optType_->checkedId();
    fraRS_->setVisible(bus == BusSerial);
    fraIEEE_->setVisible(bus == BusGpib);
    fraLanIO_->setVisible(bus == BusLan);
    for (QWidget* w : {static_cast<QWidget*>(cmdVerify_), static_cast<QWidget*>(fraSend_),
                       static_cast<QWidget*>(fraReceive_)})
        w->setVisible(bus != BusSimulation);
    static const char* warnings[] = {"SELECT INTERFACE TYPE OR USE SIMULATION MODE",
                                     "CHECK UART FIFO SETTINGS, THEN CLICK VERIFY! (See Help)",
                                     "CLICK VERIFY TO ESTABLISH CONNECTION", "CLICK VERIFY TO ESTABLISH CONNECTION"};
    lblWarning_->setText(QString::fromLatin1(warnings[std::clamp(bus, 0, 3)]));
}

InterfaceChoice frmInter::choice() const {
    InterfaceChoice c;
    c.bus = optType_->checkedId();
    c.serialPort = optRS_->checkedId() + 1;
    c.serialDevice = txtDevice_->text().trimmed();
    c.baudIndex = cmbBaud_->currentIndex();
    c.handshake = chkHandshake_->isChecked() ? 1 : 0;
    c.address = cboAddress_->currentIndex();
    c.board = static_cast<int>(ParseSingle(txtBoardID_->text()));
    c.ipAddress = txtIPaddress_->text().trimmed();
    c.socketPort = static_cast<int>(ParseSingle(txtIPPort_->text()));
    return c;
}

void frmInter::appendReceived(const QString& text) {
    txtReceive_->moveCursor(QTextCursor::End);
    txtReceive_->insertPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    txtReceive_->repaint();
}

void frmInter::verify() {
    cmdVerify_->setEnabled(false);
    cmdOk_->setEnabled(false);
    QString text;
    const int model = VerifyInterface(program_, choice(), text);
    terminalUsed_ = true;
    if (model != -1) program_.settings.powerSource.modelNumber = model;
    cmdOk_->setEnabled(model != -1);
    cmdVerify_->setEnabled(true);
    program_.prompt().showMessage(text, PromptIcon::Information);
}

void frmInter::apply() {
    cmdOk_->setEnabled(false);
    const int bus = ApplyInterface(program_, choice(), [this](const QString& t) { appendReceived(t); });
    if (bus == BusSimulation) optType_->button(0)->setChecked(true);
    accept();
}

void frmInter::cancel() {
    // The terminal may have left another transport open: back to the program's own.
    if (terminalUsed_) {
        program_.link.CloseLan();
        program_.link.CloseSerialPort();
        QString message;
        if (program_.settings.link.bus != BusSimulation && !OpenTransport(program_, message))
            program_.prompt().showMessage(message, PromptIcon::Information);
    }
    reject();
}

} // namespace ostrel
