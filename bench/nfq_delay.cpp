// Holds every packet of one netfilter queue for a fixed time, then lets it
// go: the link delay of the trace route benchmark, on a kernel without the
// netem queueing discipline. Packets are released in arrival order, each at
// its own arrival time plus the delay, so probes sent together stay together.
//   nfq_delay QUEUE DELAY_MS     (inside the router's namespace; then route
//   packets to it, e.g. iptables -t mangle -A PREROUTING -i eth0 -j NFQUEUE --queue-num QUEUE)
// Prints "ready" once bound; runs until killed.

#include <arpa/inet.h>
#include <libnetfilter_queue/libnetfilter_queue.h>
#include <linux/netfilter.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

using Clock = std::chrono::steady_clock;

struct Held {
    std::uint32_t id;
    Clock::time_point due;
};

std::deque<Held> held;
std::chrono::milliseconds delay{0};

int onPacket(nfq_q_handle*, nfgenmsg*, nfq_data* data, void*) {
    if (const nfqnl_msg_packet_hdr* header = nfq_get_msg_packet_hdr(data))
        held.push_back({ntohl(header->packet_id), Clock::now() + delay});
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: nfq_delay QUEUE DELAY_MS\n");
        return 2;
    }
    const auto queue = static_cast<std::uint16_t>(std::strtoul(argv[1], nullptr, 10));
    delay = std::chrono::milliseconds(std::strtol(argv[2], nullptr, 10));

    nfq_handle* handle = nfq_open();
    if (!handle) return 1;
    nfq_q_handle* queueHandle = nfq_create_queue(handle, queue, &onPacket, nullptr);
    if (!queueHandle || nfq_set_mode(queueHandle, NFQNL_COPY_META, 0) < 0) {
        std::fprintf(stderr, "nfq_delay: cannot bind queue %u\n", queue);
        return 1;
    }
    nfq_set_queue_maxlen(queueHandle, 4096);
    std::printf("ready\n");
    std::fflush(stdout);

    const int fd = nfq_fd(handle);
    alignas(8) char buffer[65536];
    for (;;) {
        int wait = -1;
        if (!held.empty()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(held.front().due - Clock::now());
            wait = static_cast<int>(std::max<long>(left.count(), 0));
        }
        pollfd watch{fd, POLLIN, 0};
        if (::poll(&watch, 1, wait) > 0) {
            const ssize_t size = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (size > 0) nfq_handle_packet(handle, buffer, static_cast<int>(size));
        }
        while (!held.empty() && held.front().due <= Clock::now()) {
            nfq_set_verdict(queueHandle, held.front().id, NF_ACCEPT, 0, nullptr);
            held.pop_front();
        }
    }
}
