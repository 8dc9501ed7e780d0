#include "link/GpibLibrary.h"

namespace ostrel {

namespace {
constexpr unsigned short kNoAddress = 0xFFFF;
}

bool GpibLibrary::load(const QStringList& names, QString& error) {
    if (loaded_) return true;
    QStringList problems;
    for (const QString& name : names) {
        library_.setFileName(name);
        if (!library_.load()) {
            problems << library_.errorString();
            continue;
        }
        auto resolve = [this](const char* symbol) { return library_.resolve(symbol); };
        send_ = reinterpret_cast<SendFn>(resolve("Send"));
        receive_ = reinterpret_cast<ReceiveFn>(resolve("Receive"));
        ibtmo_ = reinterpret_cast<IbtmoFn>(resolve("ibtmo"));
        sendIfc_ = reinterpret_cast<BoardFn>(resolve("SendIFC"));
        enableRemote_ = reinterpret_cast<ListFn>(resolve("EnableRemote"));
        enableLocal_ = reinterpret_cast<ListFn>(resolve("EnableLocal"));
        trigger_ = reinterpret_cast<AddressFn>(resolve("Trigger"));
        devClear_ = reinterpret_cast<AddressFn>(resolve("DevClear"));
        threadIbsta_ = reinterpret_cast<IntFn>(resolve("ThreadIbsta"));
        threadIberr_ = reinterpret_cast<IntFn>(resolve("ThreadIberr"));
        threadIbcntl_ = reinterpret_cast<LongFn>(resolve("ThreadIbcntl"));
        ibsta_ = reinterpret_cast<const volatile int*>(resolve("ibsta"));
        iberr_ = reinterpret_cast<const volatile int*>(resolve("iberr"));
        ibcntl_ = reinterpret_cast<const volatile long*>(resolve("ibcntl"));
        registerGlobals_ = reinterpret_cast<RegisterFn>(resolve("RegisterGpibGlobalsForThread"));
        unregisterGlobals_ =
            reinterpret_cast<UnregisterFn>(resolve("UnregisterGpibGlobalsForThread"));
        const bool hasStatus = (threadIbsta_ && threadIberr_ && threadIbcntl_) ||
                               (ibsta_ && iberr_ && ibcntl_) || registerGlobals_;
        if (send_ && receive_ && ibtmo_ && sendIfc_ && enableRemote_ && enableLocal_ && hasStatus) {
            loaded_ = true;
            return true;
        }
        problems << name + QStringLiteral(": not a GPIB library (calls missing)");
        library_.unload();
    }
    error = QStringLiteral("The GPIB library could not be loaded (") +
            names.join(QStringLiteral(", ")) + QStringLiteral("): ") +
            problems.join(QStringLiteral("; "));
    return false;
}

int GpibLibrary::registerGlobals() {
    if (!registerGlobals_) return 0;
    const int result = registerGlobals_(&registeredIbsta_, &registeredIberr_, &registeredIbcnt_,
                                        &registeredIbcntl_);
    registered_ = result == 0;
    return result;
}

void GpibLibrary::unregisterGlobals() {
    if (unregisterGlobals_) unregisterGlobals_();
    registered_ = false;
}

void GpibLibrary::copyStatus(GpibStatus& status) const {
    long count = 0;
    if (threadIbsta_ && threadIberr_ && threadIbcntl_) {
        status.ibsta = threadIbsta_();
        status.iberr = threadIberr_();
        count = threadIbcntl_();
    } else if (registered_) {
        status.ibsta = registeredIbsta_;
        status.iberr = registeredIberr_;
        count = registeredIbcntl_;
    } else if (ibsta_ && iberr_ && ibcntl_) {
        status.ibsta = *ibsta_;
        status.iberr = *iberr_;
        count = *ibcntl_;
    }
    status.ibsta &= 0xFFFF;
    status.ibcnt = static_cast<int>(count);
}

void GpibLibrary::send(int board, int address, const QByteArray& data, int eotMode,
                       GpibStatus& status) {
    send_(board, static_cast<unsigned short>(address), data.constData(),
          static_cast<GpibCount>(data.size()), eotMode);
    copyStatus(status);
}

QByteArray GpibLibrary::receive(int board, int address, int count, int termination,
                                GpibStatus& status) {
    QByteArray buffer(count, ' ');
    receive_(board, static_cast<unsigned short>(address), buffer.data(),
             static_cast<GpibCount>(count), termination);
    copyStatus(status);
    if (status.ibsta & kGpibErr) return {};
    const int got = status.ibcnt;
    buffer.truncate(got < 0 ? 0 : (got > count ? count : got));
    return buffer;
}

void GpibLibrary::timeout(int board, int code, GpibStatus& status) {
    ibtmo_(board, code);
    copyStatus(status);
}

void GpibLibrary::interfaceClear(int board, GpibStatus& status) {
    sendIfc_(board);
    copyStatus(status);
}

void GpibLibrary::enableRemote(int board, int address, GpibStatus& status) {
    const unsigned short list[] = {static_cast<unsigned short>(address), kNoAddress};
    enableRemote_(board, list);
    copyStatus(status);
}

void GpibLibrary::enableLocal(int board, int address, GpibStatus& status) {
    const unsigned short list[] = {static_cast<unsigned short>(address), kNoAddress};
    enableLocal_(board, list);
    copyStatus(status);
}

void GpibLibrary::trigger(int board, int address, GpibStatus& status) {
    if (!trigger_) {
        status.ibsta = kGpibErr;
        status.iberr = 11; // ECAP: the library has no such call
        return;
    }
    trigger_(board, static_cast<unsigned short>(address));
    copyStatus(status);
}

void GpibLibrary::deviceClear(int board, int address, GpibStatus& status) {
    if (!devClear_) {
        status.ibsta = kGpibErr;
        status.iberr = 11; // ECAP: the library has no such call
        return;
    }
    devClear_(board, static_cast<unsigned short>(address));
    copyStatus(status);
}

} // namespace ostrel
