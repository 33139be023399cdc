#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/clock.h"
#include "platform/udp_socket.h"

// A small SNTP server on 127.0.0.1 with a port of its own, answering from a clock moved by a
// fixed offset. It can also misbehave in the ways a client must survive. Tests and the benchmark
// start one on a thread of their own.
class CSntpResponder {
public:
    enum class Behaviour {
        Normal,
        Silent,          // reads requests, never answers
        Short,           // answers with the first 20 bytes only
        ZeroTimes,       // echoes the request but leaves receive and transmit times zero
        WrongOriginate,  // echoes a transmit time other than the request's
        KissOfDeath,     // stratum 0
        Unsynchronised,  // leap indicator 3
        ClientMode,      // mode 3 instead of 4
        Long,            // a valid answer followed by 100 bytes of padding
    };

    CSntpResponder(const platform::Clock& clock, double offsetSeconds,
                   Behaviour behaviour = Behaviour::Normal);
    CSntpResponder(const CSntpResponder&) = delete;
    CSntpResponder& operator=(const CSntpResponder&) = delete;
    ~CSntpResponder();

    // Binds and starts the thread, and returns once it serves; false with errno when the socket
    // fails. A thread still starting holds allocator locks: a test that forks right after Start
    // must not copy them into its child.
    bool Start();
    void Stop();
    uint16_t Port() const { return port_; }
    int RequestsSeen() const { return requests_.load(); }

    // A loopback port that nobody listens on: bound once, then closed.
    static uint16_t ClosedPort();

private:
    void Serve();
    void Answer(const uint8_t* request, size_t size, uint32_t address, uint16_t port);

    const platform::Clock& clock_;
    double offset_;
    Behaviour behaviour_;
    platform::UdpSocket socket_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> serving_{false};
    std::atomic<int> requests_{0};
    std::thread thread_;
};
