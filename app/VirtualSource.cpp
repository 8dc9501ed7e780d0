#include "app/VirtualSource.h"

#include "link/Waits.h"

#include <QCoreApplication>

namespace ostrel {

VirtualSource::VirtualSource() = default;

VirtualSource::~VirtualSource() { stop(); }

QString VirtualSource::defaultProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/ostrel-vsource");
}

bool VirtualSource::start(const QString& program, int modelIndex, int timeoutMs) {
    stop();
    error_.clear();
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The child ends when its standard input closes, so it never outlives this program.
    process_->start(program, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--model"),
                              QString::number(modelIndex), QStringLiteral("--exit-with-stdin")});
    if (!process_->waitForStarted(timeoutMs)) {
        error_ = QStringLiteral("The virtual power source %1 could not be started: %2")
                     .arg(program, process_->errorString());
        process_.reset();
        return false;
    }
    bool ready = false;
    QByteArray pending;
    const auto readLines = [&] {
        pending += process_->readAllStandardOutput();
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.startsWith(QLatin1String("TCP "))) {
                const QString address = line.mid(4);
                const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
                host_ = address.left(colon);
                port_ = address.mid(colon + 1).toInt();
            } else if (line == QLatin1String("READY")) {
                ready = true;
            }
        }
        return ready || process_->state() == QProcess::NotRunning;
    };
    WaitUntil(readLines, timeoutMs, 10);
    if (!ready || port_ <= 0) {
        error_ = QStringLiteral("The virtual power source %1 did not start listening.").arg(program);
        stop();
        return false;
    }
    return true;
}

void VirtualSource::stop() {
    if (!process_) return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(2000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
    }
    process_.reset();
}

} // namespace ostrel
