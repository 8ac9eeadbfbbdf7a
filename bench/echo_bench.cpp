// Sends N echoes (default 1000) to 127.0.0.1 through SendEcho and the real
// echo facility, then prints the wall time per echo and the mean reported
// round-trip time; then N more on one handle kept open, as a trace route's
// probes use it, to show the cost of a probe alone. Compare with Debian's ping on the same machine:
//   ping -c 1000 -i 0 -q 127.0.0.1
// (its "time" line over the count gives the wall time per echo, "rtt avg" the
// mean round trip). Needs root, cap_net_raw or a ping_group_range that admits
// the user.

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "net/echo.h"
#include "platform/linux_icmp.h"
#include "platform/linux_icmp_seam.h"
#include "platform/linux_sockets.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: echo_bench [count]\n");
        return 2;
    }
    platform::LinuxSockets sockets;
    platform::LinuxIcmp icmp;
    long answered = 0;
    double roundTripSum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        net::EchoReply reply;
        const std::int32_t status = PingModule::SendEcho(sockets, icmp, QStringLiteral("127.0.0.1"),
                                                         QStringLiteral("who are you"), reply);
        if (status == 0) {
            ++answered;
            roundTripSum += reply.RoundTripTime;
        } else if (i == 0) {
            std::fprintf(stderr, "first echo failed: %s\n",
                         qPrintable(PingModule::EchoStatusText(status)));
            return 1;
        }
    }
    const std::chrono::duration<double, std::micro> elapsed =
        std::chrono::steady_clock::now() - start;
    std::printf("echoes %ld, answered %ld\n", count, answered);
    std::printf(
        "wall time per echo: %.1f us (handle opened and closed each time, as the ping page does)\n",
        elapsed.count() / count);
    std::printf("mean reported round trip: %.3f ms\n", answered ? roundTripSum / answered : 0.0);

    const platform::IcmpHandle handle = icmp.IcmpCreateFile();
    const std::uint32_t destination = sockets.inet_addr("127.0.0.1");
    const QByteArray payload("who are you");
    // The trace route's reply area: the record's image and 7 spare bytes.
    constexpr std::uint32_t ProbeAreaSize = net::EchoReply::ImageSize + 7;
    long probesAnswered = 0;
    net::EchoReply probeReply;
    const auto probesStart = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        const auto sent = PingModule::EchoOnHandle(icmp, handle, destination, payload, nullptr,
                                                   ProbeAreaSize, 500, probeReply);
        probeReply = sent.reply;
        probesAnswered += sent.replies;
    }
    const std::chrono::duration<double, std::micro> probesElapsed =
        std::chrono::steady_clock::now() - probesStart;
    const auto kind = platform::LinuxIcmpSeam::handleKind(icmp, handle);
    icmp.IcmpCloseHandle(handle);
    using Kind = platform::LinuxIcmpSeam::HandleKind;
    const char* channel = !kind                     ? "none"
                          : *kind == Kind::Datagram ? "datagram socket"
                          : *kind == Kind::Raw      ? "raw socket"
                                                    : "ICMP helper";
    std::printf("wall time per echo on one open handle: %.1f us (%ld answered, through the %s)\n",
                probesElapsed.count() / count, probesAnswered, channel);
    return answered == count && probesAnswered == count ? 0 : 1;
}
