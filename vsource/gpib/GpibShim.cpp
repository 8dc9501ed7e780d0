// A stand-in for the NI-488.2 library that talks to a running ostrel-vsource
// instead of a GPIB board. The socket path comes from OSTREL_VSOURCE_GPIB.
// Every device address answers; status and error values follow the real library.
#include "vsource/gpib/GpibProtocol.h"
#include "vsource/gpib/ShimSocket.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

#define OSTREL_GPIB_EXPORT extern "C" __attribute__((visibility("default")))

typedef unsigned short Addr4882_t;

extern "C" {
__attribute__((visibility("default"))) int ibsta;
__attribute__((visibility("default"))) int iberr;
__attribute__((visibility("default"))) int ibcnt;
__attribute__((visibility("default"))) long ibcntl;
}

namespace {

using namespace ostrel::gpib;

constexpr int ERR = 0x8000, TIMO = 0x4000, END = 0x2000, CMPL = 0x0100, CIC = 0x0020, ATN = 0x0010;
constexpr int ENOL = 2, EARG = 4, EABO = 6;
constexpr int kBoards = 16;
constexpr int kStopEnd = 0x100;
constexpr int kNlEnd = 1, kDabEnd = 2;

// Milliseconds of the NI-488.2 time-out codes 0..17 (0 = never).
constexpr int kTimeoutMs[] = {0,   1,   1,    1,    1,     1,     3,      10,     30,
                              100, 300, 1000, 3000, 10000, 30000, 100000, 300000, 1000000};

struct Chunk {
    std::string bytes;
    size_t offset = 0;
    bool end = false;
};

struct Shim {
    std::mutex lock;
    ShimSocket socket;
    std::string path;
    std::string inbox;
    std::deque<Chunk> replies;
    // Device clears sent whose acknowledgement has not come yet: device data until then is
    // from before them and is thrown away.
    int clearsPending = 0;
    int timeoutCode[kBoards];
    Shim() {
        for (int& t : timeoutCode)
            t = 13;
    }
};

Shim& shim() {
    static Shim s;
    return s;
}

thread_local int tIbsta = 0;
thread_local int tIberr = 0;
thread_local long tIbcntl = 0;

int setStatus(int sta, int err, long count) {
    ibsta = tIbsta = sta;
    iberr = tIberr = err;
    ibcntl = tIbcntl = count;
    ibcnt = int(count);
    return sta;
}

int fail(int err, long count = 0) {
    return setStatus(ERR | CIC, err, count);
}

bool validBoard(int board) {
    return board >= 0 && board < kBoards;
}

// Follows OSTREL_VSOURCE_GPIB: a new path means another virtual source.
bool ensureConnected(Shim& s) {
    const char* path = std::getenv("OSTREL_VSOURCE_GPIB");
    if (!path || !*path) {
        s.socket.close();
        return false;
    }
    if (s.socket.connected() && s.path == path) return true;
    s.inbox.clear();
    s.replies.clear();
    s.clearsPending = 0;
    s.path = path;
    return s.socket.connect(path);
}

bool sendFrame(Shim& s, FrameType type, std::string_view payload) {
    std::string frame;
    appendFrame(frame, type, payload);
    if (s.socket.sendAll(frame.data(), frame.size())) return true;
    s.socket.close();
    return false;
}

// Waits for frames from the source; false on time-out or a lost connection (`lost` set).
bool pump(Shim& s, std::chrono::steady_clock::time_point deadline, bool forever, bool& lost) {
    char buffer[16384];
    int waitMs = -1;
    if (!forever) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        waitMs = int(left.count());
    }
    long n = s.socket.receiveSome(buffer, sizeof buffer, waitMs);
    if (n < 0) {
        s.socket.close();
        lost = true;
        return false;
    }
    if (n == 0) return false;
    s.inbox.append(buffer, size_t(n));
    size_t consumed = 0;
    FrameType type{};
    std::string_view payload;
    while (takeFrame(s.inbox, consumed, type, payload)) {
        if (type == DeviceData && !payload.empty() && s.clearsPending == 0)
            s.replies.push_back(
                Chunk{std::string(payload.substr(1)), 0, (payload[0] & kEndFlag) != 0});
        else if (type == DeviceClear && s.clearsPending > 0)
            --s.clearsPending;
    }
    s.inbox.erase(0, consumed);
    return true;
}

int notifyDevices(int board, FrameType type) {
    if (!validBoard(board)) return fail(EARG);
    Shim& s = shim();
    std::lock_guard guard(s.lock);
    if (!ensureConnected(s) || !sendFrame(s, type, {})) return fail(ENOL);
    return setStatus(CMPL | CIC, 0, 0);
}

// Synchronous: on success no reply produced before the clear can be read any more.
int clearDevice(int board) {
    if (!validBoard(board)) return fail(EARG);
    Shim& s = shim();
    std::lock_guard guard(s.lock);
    if (!ensureConnected(s)) return fail(ENOL);
    s.replies.clear();
    if (!sendFrame(s, DeviceClear, {})) return fail(ENOL);
    ++s.clearsPending;
    const int code = s.timeoutCode[board];
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs[code]);
    while (s.clearsPending > 0) {
        bool lost = false;
        if (!pump(s, deadline, code == 0, lost))
            return lost ? fail(ENOL) : setStatus(ERR | TIMO | CIC, EABO, 0);
    }
    return setStatus(CMPL | CIC, 0, 0);
}

} // namespace

OSTREL_GPIB_EXPORT void Send(int boardID, Addr4882_t, const void* buffer, long count,
                             int eot_mode) {
    if (!validBoard(boardID) || count < 0 || (count > 0 && !buffer)) {
        fail(EARG);
        return;
    }
    Shim& s = shim();
    std::lock_guard guard(s.lock);
    if (!ensureConnected(s)) {
        fail(ENOL);
        return;
    }
    std::string payload(1, eot_mode == kNlEnd || eot_mode == kDabEnd ? kEndFlag : char(0));
    payload.append(static_cast<const char*>(buffer), size_t(count));
    if (eot_mode == kNlEnd) payload += '\n';
    if (!sendFrame(s, DeviceWrite, payload)) {
        fail(ENOL);
        return;
    }
    setStatus(CMPL | CIC | ATN, 0, count);
}

OSTREL_GPIB_EXPORT void Receive(int boardID, Addr4882_t, void* buffer, long count,
                                int termination) {
    if (!validBoard(boardID) || count < 0 || (count > 0 && !buffer)) {
        fail(EARG);
        return;
    }
    Shim& s = shim();
    std::lock_guard guard(s.lock);
    if (!ensureConnected(s)) {
        fail(ENOL);
        return;
    }
    const int code = s.timeoutCode[boardID];
    const bool forever = code == 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs[code]);
    char* out = static_cast<char*>(buffer);
    long got = 0;
    bool end = false;
    while (got < count && !end) {
        if (s.replies.empty()) {
            bool lost = false;
            if (!pump(s, deadline, forever, lost)) {
                if (lost)
                    fail(ENOL, got);
                else
                    setStatus(ERR | TIMO | CIC, EABO, got);
                return;
            }
            continue;
        }
        Chunk& c = s.replies.front();
        while (got < count && c.offset < c.bytes.size()) {
            char byte = c.bytes[c.offset++];
            out[got++] = byte;
            if (termination != kStopEnd && termination >= 0 && termination < 0x100 &&
                static_cast<unsigned char>(byte) == termination) {
                end = true;
                break;
            }
        }
        if (c.offset == c.bytes.size()) {
            end = end || c.end;
            s.replies.pop_front();
        }
    }
    setStatus(CMPL | CIC | (end ? END : 0), 0, got);
}

OSTREL_GPIB_EXPORT int ibtmo(int ud, int v) {
    if (!validBoard(ud) || v < 0 || v > 17) return fail(EARG);
    Shim& s = shim();
    std::lock_guard guard(s.lock);
    s.timeoutCode[ud] = v;
    return setStatus(CMPL | CIC, 0, ibcntl);
}

OSTREL_GPIB_EXPORT void SendIFC(int boardID) {
    if (!validBoard(boardID)) {
        fail(EARG);
        return;
    }
    Shim& s = shim();
    std::lock_guard guard(s.lock);
    if (ensureConnected(s)) sendFrame(s, InterfaceClear, {});
    setStatus(CMPL | CIC, 0, 0);
}

OSTREL_GPIB_EXPORT void DevClear(int boardID, Addr4882_t) {
    clearDevice(boardID);
}

// Every address answers, so a device descriptor is the board it sits on, as for ibtmo.
OSTREL_GPIB_EXPORT int ibclr(int ud) {
    return clearDevice(ud);
}

OSTREL_GPIB_EXPORT void EnableRemote(int boardID, const Addr4882_t*) {
    notifyDevices(boardID, GoRemote);
}

OSTREL_GPIB_EXPORT void EnableLocal(int boardID, const Addr4882_t*) {
    notifyDevices(boardID, GoLocal);
}

OSTREL_GPIB_EXPORT void Trigger(int boardID, Addr4882_t) {
    notifyDevices(boardID, GroupTrigger);
}

OSTREL_GPIB_EXPORT int ThreadIbsta(void) {
    return tIbsta;
}
OSTREL_GPIB_EXPORT int ThreadIberr(void) {
    return tIberr;
}
OSTREL_GPIB_EXPORT int ThreadIbcnt(void) {
    return int(tIbcntl);
}
OSTREL_GPIB_EXPORT long ThreadIbcntl(void) {
    return tIbcntl;
}
