#pragma once
// Runs ostrel-vsource for a test: starts it on a free TCP port (plus a pty or a
// GPIB socket when asked), reads the addresses it prints, talks to its control
// port, and ends it when the object goes away. The child also ends by itself
// when the test process dies (it watches its standard input).
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <memory>

namespace ostrel::test {

class VirtualSourceProcess {
public:
    VirtualSourceProcess() = default;
    ~VirtualSourceProcess();
    VirtualSourceProcess(const VirtualSourceProcess&) = delete;
    VirtualSourceProcess& operator=(const VirtualSourceProcess&) = delete;

    // Extra program options, e.g. {"--pty", "--gpib", "--model", "4"}; "--port 0"
    // is added unless a port is given. False (see errorString) when it does not start.
    bool start(const QStringList& args = {}, int timeoutMs = 10000);
    void stop();
    bool isRunning() const;

    QString host() const { return host_; }
    quint16 port() const { return port_; }
    QString ptyPath() const { return ptyPath_; }
    QString gpibSocket() const { return gpibSocket_; }
    quint16 controlPort() const { return controlPort_; }
    QString errorString() const { return error_; }

    // Sends one control-port command ("fault late 500", "trigger", "log 10", ...).
    // True on "OK"; `lines` gets the data lines before it, `error` the "ERR" text.
    bool control(const QString& command, QStringList* lines = nullptr, QString* error = nullptr);
    // The last n entries of the command log ("<time> TCP < volt 5", "... TCP > 5.0").
    QStringList logTail(int n = 20);

    static QString programPath();
    static QString gpibShimPath();

private:
    std::unique_ptr<QProcess> process_;
    std::unique_ptr<QTcpSocket> control_;
    QString host_;
    quint16 port_ = 0;
    QString ptyPath_;
    QString gpibSocket_;
    quint16 controlPort_ = 0;
    QString error_;
};

} // namespace ostrel::test
