#include "support/RawSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ostrel::bench {

namespace {

void noDelay(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

LineClient::~LineClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineClient::connect(const std::string& host, uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (fd_ < 0 || ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return false;
    noDelay(fd_);
    return true;
}

bool LineClient::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

bool LineClient::readLine(std::string& line) {
    for (;;) {
        size_t lf = buffer_.find('\n');
        if (lf != std::string::npos) {
            line.assign(buffer_, 0, lf);
            buffer_.erase(0, lf + 1);
            return true;
        }
        char chunk[4096];
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer_.append(chunk, size_t(n));
    }
}

bool EchoServer::listen() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 1) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    port_ = ntohs(address.sin_port);
    return true;
}

void EchoServer::serve() {
    for (;;) {
        int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) return;
        noDelay(fd);
        char buffer[4096];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            if (::send(fd, buffer, size_t(n), MSG_NOSIGNAL) != n) break;
        ::close(fd);
    }
}

} // namespace ostrel::bench
