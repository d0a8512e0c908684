#pragma once

#include <cstdint>

// A TCP port on 127.0.0.1 where connections are taken but never answered,
// like a server that hangs or a firewall that swallows the replies.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    std::uint16_t port() const { return port_; }

private:
    int socket_ = -1;
    std::uint16_t port_ = 0;
};
