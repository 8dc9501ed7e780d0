#include "vsource/Platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace ostrel::vsource::platform {

bool openPty(Pty& pty, std::string& error) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) ::close(master);
        return false;
    }
    const char* name = ptsname(master);
    int slave = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
    if (slave < 0) {
        error = std::string("cannot open the pseudo-terminal's slave: ") + std::strerror(errno);
        ::close(master);
        return false;
    }
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    pty.master = master;
    pty.slave = slave;
    pty.path = name;
    return true;
}

void closePty(Pty& pty) {
    if (pty.master >= 0) ::close(int(pty.master));
    if (pty.slave >= 0) ::close(int(pty.slave));
    pty = Pty{};
}

qint64 readPty(const Pty& pty, char* buffer, qint64 size) {
    ssize_t n = ::read(int(pty.master), buffer, size_t(size));
    if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    return n;
}

qint64 writePty(const Pty& pty, const char* data, qint64 size) {
    ssize_t n = ::write(int(pty.master), data, size_t(size));
    if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    return n;
}

namespace {
int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}
} // namespace

qintptr terminationSignals() {
    if (signalPipe[0] < 0) {
        if (::pipe(signalPipe) != 0) return -1;
        for (int fd : signalPipe)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            sigaction(sig, &action, nullptr);
    }
    return signalPipe[0];
}

qintptr standardInput() {
    return STDIN_FILENO;
}

bool standardInputClosed() {
    char buffer[256];
    ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
}

} // namespace ostrel::vsource::platform
