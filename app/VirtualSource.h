#pragma once
// The virtual power source as a child of this run: started on a free loopback
// port, ended with the program.
#include <QProcess>
#include <QString>

#include <memory>

namespace ostrel {

class VirtualSource {
public:
    VirtualSource();
    ~VirtualSource();
    VirtualSource(const VirtualSource&) = delete;
    VirtualSource& operator=(const VirtualSource&) = delete;

    // Starts `program` (the ostrel-vsource executable) for the model index and
    // waits until it listens. False with errorText() when it did not come up.
    bool start(const QString& program, int modelIndex, int timeoutMs = 10000);
    void stop();

    QString host() const { return host_; }
    int port() const { return port_; }
    QString errorText() const { return error_; }

    // The executable beside this program's own.
    static QString defaultProgram();

private:
    std::unique_ptr<QProcess> process_;
    QString host_;
    int port_ = 0;
    QString error_;
};

} // namespace ostrel
