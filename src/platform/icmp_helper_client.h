#pragma once
// Echo requests sent through the ICMP helper program (tarsino-icmp), for
// users whom the kernel gives no ICMP socket of their own. One helper
// process serves one client for the client's lifetime; it is ended and
// reaped with the client. A helper that dies, hangs or talks nonsense costs
// one echo at most its time-out plus a short margin, and is ended at once.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/icmp/icmp_echo_outcome.h"

namespace platform {

class IcmpHelperClient {
public:
    // How long a helper may take to start, and to answer beyond an echo's own time-out.
    static constexpr std::chrono::milliseconds Margin{1000};

    // Starts the helper at `path` with an empty environment; null unless it
    // reports that it holds its socket.
    static std::unique_ptr<IcmpHelperClient> start(const std::string& path);
    ~IcmpHelperClient();
    IcmpHelperClient(const IcmpHelperClient&) = delete;
    IcmpHelperClient& operator=(const IcmpHelperClient&) = delete;

    // As icmp::IcmpEchoSocket::echo; a time-out over the helper's bound
    // (icmp::helper::MaxTimeout) is shortened to it.
    icmp::EchoOutcome echo(std::uint32_t destination, std::span<const std::uint8_t> payload,
                           std::uint8_t timeToLive, std::chrono::milliseconds timeout);

    // Whether the helper still waits for requests: running, with nothing
    // unasked for on its connection. A helper that has left or speaks out of
    // turn is ended here.
    bool stillServing();

    // The helper's process, or 0 once it has been ended.
    pid_t processId() const { return process_; }

    enum class Read { Done, Failed, TimedOut };

private:
    IcmpHelperClient(int connection, pid_t process);
    // Reads one frame of at most `maxSize` bytes into frame_ before `deadline`.
    Read readFrame(std::size_t maxSize, std::chrono::steady_clock::time_point deadline);
    // Ends the helper: given a moment to leave on its own when `gently`, else killed at once.
    void end(bool gently);

    int connection_;
    pid_t process_;
    std::vector<std::uint8_t> frame_;
};

}  // namespace platform
