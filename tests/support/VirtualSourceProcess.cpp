#include "support/VirtualSourceProcess.h"

#include <QDeadlineTimer>

namespace ostrel::test {

namespace {

// "127.0.0.1:5025" -> host and port.
bool splitAddress(const QString& text, QString& host, quint16& port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    port = quint16(text.mid(colon + 1).toUInt(&ok));
    host = text.left(colon);
    return colon > 0 && ok;
}

} // namespace

VirtualSourceProcess::~VirtualSourceProcess() {
    stop();
}

QString VirtualSourceProcess::programPath() {
    return QStringLiteral(OSTREL_VSOURCE_PATH);
}

QString VirtualSourceProcess::gpibShimPath() {
    return QStringLiteral(OSTREL_GPIB_SHIM_PATH);
}

bool VirtualSourceProcess::start(const QStringList& args, int timeoutMs) {
    stop();
    error_.clear();
    QStringList all = args;
    if (!all.contains(QLatin1String("--port")))
        all << QStringLiteral("--port") << QStringLiteral("0");
    all << QStringLiteral("--exit-with-stdin");
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(programPath(), all);
    if (!process_->waitForStarted(timeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2").arg(programPath(), process_->errorString());
        process_.reset();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    QByteArray pending;
    bool ready = false;
    while (!ready && !deadline.hasExpired()) {
        if (!process_->canReadLine() && !process_->waitForReadyRead(int(deadline.remainingTime())))
            break;
        while (process_->canReadLine()) {
            const QString line = QString::fromUtf8(process_->readLine()).trimmed();
            if (line.startsWith(QLatin1String("TCP ")))
                splitAddress(line.mid(4), host_, port_);
            else if (line.startsWith(QLatin1String("PTY ")))
                ptyPath_ = line.mid(4);
            else if (line.startsWith(QLatin1String("GPIB ")))
                gpibSocket_ = line.mid(5);
            else if (line.startsWith(QLatin1String("CONTROL "))) {
                QString controlHost;
                splitAddress(line.mid(8), controlHost, controlPort_);
            } else if (line == QLatin1String("READY"))
                ready = true;
        }
    }
    if (!ready) {
        error_ = QStringLiteral("%1 did not become ready (exit code %2)")
                     .arg(programPath())
                     .arg(process_->state() == QProcess::NotRunning ? process_->exitCode() : -1);
        stop();
        return false;
    }
    return true;
}

void VirtualSourceProcess::stop() {
    control_.reset();
    if (!process_) return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(3000);
        }
    }
    process_.reset();
}

bool VirtualSourceProcess::isRunning() const {
    return process_ && process_->state() == QProcess::Running;
}

bool VirtualSourceProcess::control(const QString& command, QStringList* lines, QString* error) {
    if (lines) lines->clear();
    if (!control_ || control_->state() != QAbstractSocket::ConnectedState) {
        control_ = std::make_unique<QTcpSocket>();
        control_->connectToHost(QStringLiteral("127.0.0.1"), controlPort_);
        if (!control_->waitForConnected(3000)) {
            if (error) *error = QStringLiteral("control port: ") + control_->errorString();
            control_.reset();
            return false;
        }
    }
    control_->write(command.toUtf8() + '\n');
    control_->flush();
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        while (control_->canReadLine()) {
            const QString line = QString::fromUtf8(control_->readLine()).chopped(1);
            if (line == QLatin1String("OK")) return true;
            if (line.startsWith(QLatin1String("ERR"))) {
                if (error) *error = line.mid(4);
                return false;
            }
            if (lines) *lines << line;
        }
        if (!control_->waitForReadyRead(int(deadline.remainingTime()))) break;
    }
    if (error) *error = QStringLiteral("control port: no answer");
    return false;
}

QStringList VirtualSourceProcess::logTail(int n) {
    QStringList lines;
    control(QStringLiteral("log %1").arg(n), &lines);
    return lines;
}

} // namespace ostrel::test
