#include "vsource/gpib/ShimSocket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ostrel::gpib {

bool ShimSocket::connect(const std::string& path) {
    close();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void ShimSocket::close() {
    if (handle_ >= 0) ::close(int(handle_));
    handle_ = -1;
}

bool ShimSocket::sendAll(const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(int(handle_), data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

long ShimSocket::receiveSome(char* buffer, size_t size, int timeoutMs) {
    pollfd p{int(handle_), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&p, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) return 0;
    if (ready < 0) return -1;
    ssize_t n;
    do {
        n = ::recv(int(handle_), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    return n > 0 ? long(n) : -1;
}

} // namespace ostrel::gpib
