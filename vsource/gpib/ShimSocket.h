#pragma once
// The shim's end of the local socket to the virtual source.
#include <cstddef>
#include <string>

namespace ostrel::gpib {

class ShimSocket {
public:
    ShimSocket() = default;
    ~ShimSocket() { close(); }
    ShimSocket(const ShimSocket&) = delete;
    ShimSocket& operator=(const ShimSocket&) = delete;

    bool connect(const std::string& path);
    bool connected() const { return handle_ >= 0; }
    void close();
    bool sendAll(const char* data, size_t size);
    // Bytes read within timeoutMs (negative: no limit); 0 on time-out, -1 when the peer is gone.
    long receiveSome(char* buffer, size_t size, int timeoutMs);

private:
    long handle_ = -1;
};

} // namespace ostrel::gpib
