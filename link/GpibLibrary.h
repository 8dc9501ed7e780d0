#pragma once
// The NI-488.2 C interface, loaded at run time. Each call copies the
// library's status (ibsta, iberr, count) into the GpibStatus it was given.
#include "link/LinkPlatform.h"
#include "link/LinkState.h"

#include <QByteArray>
#include <QLibrary>
#include <QString>
#include <QStringList>

namespace ostrel {

// Board time-out codes of the library.
enum GpibTimeoutCode { T300ms = 10, T1s = 11, T3s = 12, T10s = 13, T30s = 14 };
constexpr int kGpibStopEnd = 0x0100; // Receive ends on END
constexpr int kGpibNlEnd = 1;        // Send: line feed with END on the last byte

class GpibLibrary {
public:
    GpibLibrary() = default;
    GpibLibrary(const GpibLibrary&) = delete;
    GpibLibrary& operator=(const GpibLibrary&) = delete;

    // Loads the first library of `names` that has the calls the link needs;
    // false with a message naming the libraries tried.
    bool load(const QStringList& names, QString& error);
    bool isLoaded() const { return loaded_; }
    QString fileName() const { return library_.fileName(); }

    // Only libraries that keep the status per registered thread need this.
    bool needsGlobalsRegistration() const { return registerGlobals_ != nullptr; }
    int registerGlobals();
    void unregisterGlobals();

    void send(int board, int address, const QByteArray& data, int eotMode, GpibStatus& status);
    QByteArray receive(int board, int address, int count, int termination, GpibStatus& status);
    void timeout(int board, int code, GpibStatus& status);
    void interfaceClear(int board, GpibStatus& status);
    void enableRemote(int board, int address, GpibStatus& status);
    void enableLocal(int board, int address, GpibStatus& status);
    void trigger(int board, int address, GpibStatus& status);
    void deviceClear(int board, int address, GpibStatus& status);

private:
    void copyStatus(GpibStatus& status) const;

    using SendFn = void(OSTREL_GPIB_CALL*)(int, unsigned short, const void*, GpibCount, int);
    using ReceiveFn = void(OSTREL_GPIB_CALL*)(int, unsigned short, void*, GpibCount, int);
    using IbtmoFn = int(OSTREL_GPIB_CALL*)(int, int);
    using BoardFn = void(OSTREL_GPIB_CALL*)(int);
    using ListFn = void(OSTREL_GPIB_CALL*)(int, const unsigned short*);
    using AddressFn = void(OSTREL_GPIB_CALL*)(int, unsigned short);
    using IntFn = int(OSTREL_GPIB_CALL*)();
    using LongFn = long(OSTREL_GPIB_CALL*)();
    using RegisterFn = int(OSTREL_GPIB_CALL*)(int*, int*, int*, long*);
    using UnregisterFn = int(OSTREL_GPIB_CALL*)();

    QLibrary library_;
    bool loaded_ = false;
    SendFn send_ = nullptr;
    ReceiveFn receive_ = nullptr;
    IbtmoFn ibtmo_ = nullptr;
    BoardFn sendIfc_ = nullptr;
    ListFn enableRemote_ = nullptr;
    ListFn enableLocal_ = nullptr;
    AddressFn trigger_ = nullptr;
    AddressFn devClear_ = nullptr;
    IntFn threadIbsta_ = nullptr;
    IntFn threadIberr_ = nullptr;
    LongFn threadIbcntl_ = nullptr;
    const volatile int* ibsta_ = nullptr;
    const volatile int* iberr_ = nullptr;
    const volatile long* ibcntl_ = nullptr;
    RegisterFn registerGlobals_ = nullptr;
    UnregisterFn unregisterGlobals_ = nullptr;
    // Where a registering library writes the status of this thread.
    int registeredIbsta_ = 0;
    int registeredIberr_ = 0;
    int registeredIbcnt_ = 0;
    long registeredIbcntl_ = 0;
    bool registered_ = false;
};

} // namespace ostrel
