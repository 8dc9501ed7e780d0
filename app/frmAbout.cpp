#include "app/frmAbout.h"

#include "core/Program.h"

#include <QDialogButtonBox>
#include <QHostInfo>
#include <QLabel>
#include <QIcon>
#include <QSysInfo>
#include <QThread>
#include <QVBoxLayout>

namespace ostrel {

QStringList SystemFacts() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return {
        QStringLiteral("Operating system: %1").arg(QSysInfo::prettyProductName()),
        QStringLiteral("Kernel: %1 %2").arg(QSysInfo::kernelType(), QSysInfo::kernelVersion()),
        QStringLiteral("Build: %1 (%2)").arg(QSysInfo::buildAbi(), QStringLiteral(__DATE__)),
        QStringLiteral("Computer name: %1").arg(QHostInfo::localHostName()),
        QStringLiteral("User name: %1").arg(user),
        QStringLiteral("Processor: %1, %2 logical processors")
            .arg(QSysInfo::currentCpuArchitecture())
            .arg(QThread::idealThreadCount()),
        QStringLiteral("Qt: %1").arg(QString::fromLatin1(qVersion())),
    };
}

frmAbout::frmAbout(Program& program, const QString& logo, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + program.messageTitle);
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(QStringLiteral(":/icons/%1.svg").arg(logo)).pixmap(QSize(210, 48)));
    layout->addWidget(picture, 0, Qt::AlignHCenter);

    auto* application = new QLabel(program.messageTitle + QStringLiteral(" P/N ") + QStringLiteral("KVP502"), this);
    application->setObjectName(QStringLiteral("lblApplication"));
    QFont big = application->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    application->setFont(big);
    layout->addWidget(application);

    auto* version = new QLabel(QStringLiteral("Version ") + QStringLiteral(OSTREL_VERSION), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    layout->addWidget(version);

    auto* facts = new QLabel(SystemFacts().join(QLatin1Char('\n')), this);
    facts->setObjectName(QStringLiteral("lblSystem"));
    facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    facts->setStyleSheet(QStringLiteral("color: #444;"));
    layout->addSpacing(8);
    layout->addWidget(facts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace ostrel
