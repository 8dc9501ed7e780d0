#include "vsource/PtyTransport.h"

namespace ostrel::vsource {

namespace {
// Replies nobody reads are dropped beyond this, as a serial line would lose them.
constexpr size_t kMaxUnsent = 1 << 20;
} // namespace

PtyTransport::PtyTransport(VirtualSource& source) : Channel(source, "PTY") {}

PtyTransport::~PtyTransport() {
    platform::closePty(pty_);
}

bool PtyTransport::open(QString& error) {
    std::string message;
    if (!platform::openPty(pty_, message)) {
        error = QString::fromStdString(message);
        return false;
    }
    readNotifier_ = std::make_unique<QSocketNotifier>(pty_.master, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, &PtyTransport::onReadable);
    writeNotifier_ = std::make_unique<QSocketNotifier>(pty_.master, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, &PtyTransport::onWritable);
    return true;
}

void PtyTransport::onReadable() {
    for (;;) {
        qint64 n = platform::readPty(pty_, buffer_, sizeof buffer_);
        if (n <= 0) break;
        receive(buffer_, n);
    }
}

void PtyTransport::writeBytes(const char* data, qint64 size) {
    if (unsent_.empty()) {
        qint64 n = platform::writePty(pty_, data, size);
        if (n < 0) return;
        data += n;
        size -= n;
    }
    if (size > 0 && unsent_.size() + size_t(size) <= kMaxUnsent) {
        unsent_.append(data, size_t(size));
        writeNotifier_->setEnabled(true);
    }
}

void PtyTransport::onWritable() {
    qint64 n = platform::writePty(pty_, unsent_.data(), qint64(unsent_.size()));
    if (n > 0) unsent_.erase(0, size_t(n));
    if (unsent_.empty() || n < 0) {
        unsent_.clear();
        writeNotifier_->setEnabled(false);
    }
}

// A serial line cannot be dropped: the line that arrived is lost and so is unsent output.
void PtyTransport::closeConnection() {
    unsent_.clear();
}

} // namespace ostrel::vsource
