#pragma once
// The conversation between the GPIB shim and the virtual source on a local
// socket. Each frame is one type byte, a 4-byte little-endian payload length
// and the payload. Device data (both ways) starts with a flags byte whose bit 0
// marks END on the last byte.
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::gpib {

enum FrameType : char {
    DeviceWrite = 'W', // controller -> device: data bytes
    DeviceData = 'D',  // device -> controller: reply bytes
    GroupTrigger = 'T',
    GoRemote = 'R',
    GoLocal = 'L',
    InterfaceClear = 'I',
    // controller -> device: a device clear; device -> controller: the clear is done, every
    // reply from before it came earlier on the socket
    DeviceClear = 'C',
};

constexpr char kEndFlag = 1;
constexpr size_t kHeaderSize = 5;

inline void appendFrame(std::string& out, FrameType type, std::string_view payload) {
    out += char(type);
    uint32_t n = uint32_t(payload.size());
    for (int i = 0; i < 4; ++i)
        out += char((n >> (8 * i)) & 0xff);
    out += payload;
}

// Takes one complete frame off the front of `buffer`; false when it holds none yet.
inline bool takeFrame(std::string& buffer, size_t& consumed, FrameType& type,
                      std::string_view& payload) {
    if (buffer.size() - consumed < kHeaderSize) return false;
    const char* h = buffer.data() + consumed;
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
        n |= uint32_t(uint8_t(h[1 + i])) << (8 * i);
    if (buffer.size() - consumed - kHeaderSize < n) return false;
    type = FrameType(h[0]);
    payload = std::string_view(h + kHeaderSize, n);
    consumed += kHeaderSize + n;
    return true;
}

} // namespace ostrel::gpib
