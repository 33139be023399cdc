#pragma once

#include <cstdint>

#include "platform/udp_socket.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

// A loopback port that nobody listens on: bound once, then closed.
inline uint16_t ClosedPort() {
    platform::UdpSocket socket;
    if (!socket.Create() || !socket.Bind(platform::kLoopbackIpv4, 0))
        return 9;
    return socket.LocalPort();
}
