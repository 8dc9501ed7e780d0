#pragma once
// Plain blocking loopback sockets for benchmarks: a line client and an echo
// server on its own thread, both with Nagle off.
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::bench {

class LineClient {
public:
    LineClient() = default;
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool connect(const std::string& host, uint16_t port);
    bool write(std::string_view bytes);
    // The next line without its line feed; false when the peer closed.
    bool readLine(std::string& line);
    // One round trip: the line (with its line feed) out, one line back.
    bool exchange(std::string_view lineWithFeed, std::string& reply) {
        return write(lineWithFeed) && readLine(reply);
    }

private:
    int fd_ = -1;
    std::string buffer_;
};

// Sends every byte straight back: the floor of a loopback round trip. Run it
// in a process of its own, as the program under test runs in its own.
class EchoServer {
public:
    EchoServer() = default;
    EchoServer(const EchoServer&) = delete;
    EchoServer& operator=(const EchoServer&) = delete;

    bool listen();
    uint16_t port() const { return port_; }
    // Serves one client after another until the process ends.
    void serve();

private:
    int listenFd_ = -1;
    uint16_t port_ = 0;
};

} // namespace ostrel::bench
