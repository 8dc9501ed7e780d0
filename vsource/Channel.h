#pragma once
// One conversation with a client over any transport: collects lines, runs
// them on the instrument and writes each reply in one piece, unless a fault
// switch says otherwise.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <string>
#include <string_view>

namespace ostrel::vsource {

class VirtualSource;

class Channel : public QObject {
    Q_OBJECT
public:
    Channel(VirtualSource& source, std::string name, QObject* parent = nullptr);

    // Bytes from the client; every complete line is executed at once.
    void receive(const char* data, qint64 size);
    // The client marked the end of a message (GPIB END): what is buffered is a line.
    void endOfMessage();
    // Drops a partial line (interface clear).
    void clearInput() { input_.clear(); }
    // Drops a partial line and every reply still waiting to be written: late and split ones and
    // those queued behind them (device clear).
    void clearDevice();
    const std::string& name() const { return name_; }

protected:
    virtual void writeBytes(const char* data, qint64 size) = 0;
    virtual void closeConnection() = 0;
    bool closed() const { return closed_; }
    void markClosed() { closed_ = true; }

private:
    void handleLine(std::string_view line);
    void deliver(std::string_view line);
    void writeDue();

    struct Pending {
        qint64 dueMs;
        std::string bytes;
    };

    VirtualSource& source_;
    std::string name_;
    std::string input_;
    std::string reply_;
    std::deque<Pending> pending_;
    QTimer pendingTimer_;
    QElapsedTimer elapsed_;
    bool closed_ = false;
};

} // namespace ostrel::vsource
