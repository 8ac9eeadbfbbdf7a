// tarsino-icmp: sends ICMP echo requests for Tarsino where the kernel gives
// Tarsino no ICMP socket of its own. It is the one file of Tarsino's that
// holds cap_net_raw, and it uses it once: it opens a raw ICMP socket, gives
// up every privilege, says whether it holds the socket, then answers echo
// requests read from its standard input until that ends. Anyone may run it;
// all it can do is what ping does, and the socket never leaves it.
// Exit codes: 0 input ended, 1 no socket or privilege left, 2 a request refused.

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/icmp/icmp_echo_socket.h"
#include "platform/icmp/icmp_helper_protocol.h"
#include "platform/process/privileges.h"

namespace protocol = platform::icmp::helper;

namespace {

// Exactly `size` bytes, or false at the end of the input.
bool readExactly(std::uint8_t* into, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(STDIN_FILENO, into + done, size - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAll(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

enum class Read { Request, End, Refused };

// One request frame into `frame`: its length is checked against the bound
// before anything more is read.
Read readRequest(std::vector<std::uint8_t>& frame) {
    frame.resize(protocol::LengthSize);
    if (!readExactly(frame.data(), protocol::LengthSize)) return Read::End;
    const std::size_t size = protocol::frameSize(std::span(frame).first<protocol::LengthSize>());
    if (size > protocol::MaxRequestSize) return Read::Refused;
    frame.resize(size);
    if (!readExactly(frame.data() + protocol::LengthSize, size - protocol::LengthSize))
        return Read::End;
    return Read::Request;
}

}  // namespace

int main() {
    // Nothing from the environment is read, and nothing inherited but the
    // standard streams stays open.
    ::clearenv();
    ::close_range(STDERR_FILENO + 1, ~0U, 0);
    // A reader that went away ends the helper through a failed write.
    ::signal(SIGPIPE, SIG_IGN);

    auto socket = platform::icmp::IcmpEchoSocket::open(platform::icmp::IcmpSocketKind::Raw);
    if (!platform::process::giveUpCapabilities() || !platform::process::forbidNewPrivileges())
        return 1;
    if (!writeAll(protocol::encodeReady(socket != nullptr)) || !socket) return 1;

    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> answer;
    for (;;) {
        const Read read = readRequest(request);
        if (read == Read::End) return 0;
        const auto echo = read == Read::Request ? protocol::parseRequest(request) : std::nullopt;
        // A malformed request leaves the rest of the input unframed: stop there.
        if (!echo) return 2;
        protocol::encodeAnswer(answer, socket->echo(echo->destination, echo->payload,
                                                    echo->timeToLive, echo->timeout));
        if (!writeAll(answer)) return 0;
    }
}
