#pragma once
// What the tests' own network peers share: sockets opened the way a peer
// needs them, and a serving thread inside a lab namespace that has said
// whether it listens before the test goes on.

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "netns_lab.h"

namespace testing_support {

// A UDP socket bound to `address`:`port` (port 0: any), or -1.
int boundUdpSocket(const char* address, quint16 port);
// A listening, non-blocking TCP socket, or -1.
int tcpListener(const char* address, quint16 port);
// Joins WS-Discovery's multicast group on the interface with that address.
bool joinDiscoveryGroup(int udp, const char* interfaceAddress);

// Runs a peer's serving function on a thread of its own inside a lab
// namespace. The function opens its sockets, calls report() once, then serves
// while running() holds. Declare it as the peer's last member, so that it
// starts after and stops before everything the function touches.
class PeerThread {
public:
    using Serve = std::function<void(PeerThread&)>;
    // Returns once the function has reported (or ended, or the namespace
    // could not be entered).
    PeerThread(const NetnsLab& lab, const QString& ns, Serve serve);
    ~PeerThread();
    PeerThread(const PeerThread&) = delete;
    PeerThread& operator=(const PeerThread&) = delete;

    bool listening() const { return state_ == State::Listening; }
    bool running() const { return !stop_; }
    void report(bool listening);

private:
    enum class State { Starting, Listening, Failed };

    std::mutex mutex_;
    std::condition_variable ready_;
    std::atomic<State> state_{State::Starting};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace testing_support
