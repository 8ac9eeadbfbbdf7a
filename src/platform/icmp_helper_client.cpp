#include "platform/icmp_helper_client.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/icmp/icmp_helper_protocol.h"
#include "platform/icmp/ip_status.h"
#include "platform/icmp_api.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// How long a helper told to leave may take before it is killed.
constexpr std::chrono::milliseconds LeaveTime{200};

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, INT32_MAX));
}

// Reads exactly `size` bytes unless the peer leaves or the deadline passes.
IcmpHelperClient::Read readExactly(int fd, std::uint8_t* into, std::size_t size,
                                   Clock::time_point deadline) {
    using Read = IcmpHelperClient::Read;
    std::size_t done = 0;
    while (done < size) {
        pollfd watch{fd, POLLIN, 0};
        const int ready = ::poll(&watch, 1, millisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return Read::TimedOut;
        if (ready < 0) return Read::Failed;
        const ssize_t got = ::recv(fd, into + done, size - done, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (got <= 0) return Read::Failed;
        done += static_cast<std::size_t>(got);
    }
    return Read::Done;
}

// A request is far smaller than the connection's buffer and the helper reads
// each before it answers: a send that cannot complete at once means a helper
// gone wrong.
bool sendAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

// The helper with the connection as its standard input and output, nothing
// else of ours open, default signal handling and an empty environment.
pid_t spawnHelper(const std::string& path, int connection) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (::posix_spawn_file_actions_init(&actions) != 0) return -1;
    if (::posix_spawnattr_init(&attributes) != 0) {
        ::posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    pid_t process = -1;
    const bool prepared =
        ::posix_spawn_file_actions_adddup2(&actions, connection, STDIN_FILENO) == 0 &&
        ::posix_spawn_file_actions_adddup2(&actions, connection, STDOUT_FILENO) == 0 &&
        ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0 &&
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) ==
            0 &&
        ::posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
        ::posix_spawnattr_setsigdefault(&attributes, &all) == 0;
    if (prepared) {
        char* const arguments[] = {const_cast<char*>(path.c_str()), nullptr};
        char* const environment[] = {nullptr};
        if (::posix_spawn(&process, path.c_str(), &actions, &attributes, arguments, environment) !=
            0)
            process = -1;
    }
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return process;
}

}  // namespace

std::unique_ptr<IcmpHelperClient> IcmpHelperClient::start(const std::string& path) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return nullptr;
    const pid_t process = spawnHelper(path, ends[1]);
    ::close(ends[1]);
    if (process <= 0) {
        ::close(ends[0]);
        return nullptr;
    }
    std::unique_ptr<IcmpHelperClient> client(new IcmpHelperClient(ends[0], process));
    // The helper opens its socket and gives up its privilege before it says
    // it is ready; a helper that cannot open one has nothing to offer.
    if (client->readFrame(icmp::helper::ReadySize, Clock::now() + Margin) != Read::Done ||
        icmp::helper::parseReady(client->frame_) != true)
        return nullptr;
    return client;
}

IcmpHelperClient::IcmpHelperClient(int connection, pid_t process)
    : connection_(connection), process_(process) {}

IcmpHelperClient::~IcmpHelperClient() {
    end(true);
}

icmp::EchoOutcome IcmpHelperClient::echo(std::uint32_t destination,
                                         std::span<const std::uint8_t> payload,
                                         std::uint8_t timeToLive,
                                         std::chrono::milliseconds timeout) {
    icmp::EchoOutcome outcome;
    outcome.status = icmp::ip_status::GeneralFailure;
    if (process_ == 0) return outcome;
    // Over the largest IPv4 packet, as the kernel would say of such a request.
    if (payload.size() > icmp::helper::MaxPayloadSize) {
        outcome.status = icmp::ip_status::PacketTooBig;
        return outcome;
    }
    timeout = std::clamp(timeout, std::chrono::milliseconds::zero(), icmp::helper::MaxTimeout);
    icmp::helper::EchoRequest request;
    request.destination = destination;
    request.timeToLive = timeToLive;
    request.timeout = timeout;
    request.payload = payload;
    icmp::helper::encodeRequest(frame_, request);
    if (!sendAll(connection_, frame_)) {
        end(false);
        return outcome;
    }
    const Read read = readFrame(icmp::helper::MaxAnswerSize, Clock::now() + timeout + Margin);
    if (read != Read::Done) {
        // Silent past the request's own time-out: for the caller, the request timed out.
        if (read == Read::TimedOut) outcome.status = icmp::ip_status::ReqTimedOut;
        end(false);
        return outcome;
    }
    if (auto answer = icmp::helper::parseAnswer(frame_, payload.size())) return *answer;
    end(false);
    return outcome;
}

bool IcmpHelperClient::stillServing() {
    if (process_ == 0) return false;
    pollfd watch{connection_, POLLIN, 0};
    int ready;
    while ((ready = ::poll(&watch, 1, 0)) < 0 && errno == EINTR) {
    }
    if (ready == 0) return true;
    end(false);
    return false;
}

IcmpHelperClient::Read IcmpHelperClient::readFrame(std::size_t maxSize,
                                                   Clock::time_point deadline) {
    frame_.assign(icmp::helper::LengthSize, 0);
    if (const Read read =
            readExactly(connection_, frame_.data(), icmp::helper::LengthSize, deadline);
        read != Read::Done)
        return read;
    const std::size_t size =
        icmp::helper::frameSize(std::span(frame_).first<icmp::helper::LengthSize>());
    if (size > maxSize) return Read::Failed;
    frame_.resize(size);
    return readExactly(connection_, frame_.data() + icmp::helper::LengthSize,
                       size - icmp::helper::LengthSize, deadline);
}

void IcmpHelperClient::end(bool gently) {
    if (process_ == 0) return;
    // With its connection closed the helper reads the end of its input and leaves.
    ::close(connection_);
    connection_ = -1;
    if (gently) {
        // glibc 2.36 declares pidfd_open without C linkage: call the kernel directly.
        const int watch = static_cast<int>(::syscall(SYS_pidfd_open, process_, 0));
        if (watch >= 0) {
            pollfd exited{watch, POLLIN, 0};
            while (::poll(&exited, 1, static_cast<int>(LeaveTime.count())) < 0 && errno == EINTR) {
            }
            ::close(watch);
        }
    }
    // A helper that has left already is a zombie until reaped: the signal is harmless.
    ::kill(process_, SIGKILL);
    while (::waitpid(process_, nullptr, 0) < 0 && errno == EINTR) {
    }
    process_ = 0;
}

}  // namespace platform
