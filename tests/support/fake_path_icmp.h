#pragma once
// An echo facility that models a route: the node at hop k answers a probe
// whose time to live is k (routers with a time-exceeded or other error
// report, the last node with an echo reply for any larger time to live).
// Silent hops answer nothing. Every call is recorded.

#include <arpa/inet.h>

#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/icmp/echo_reply_image.h"
#include "platform/icmp/ip_status.h"
#include "platform/icmp_api.h"

namespace testing_support {

struct PathHop {
    std::string address;
    std::uint32_t roundTripTime = 1;
    std::int32_t status = platform::icmp::ip_status::TtlExpiredTransit;
    bool silent = false;
};

struct EchoCall {
    std::uint8_t ttl;
    std::uint32_t destination;
    std::string data;
    std::uint32_t replySize;
    std::uint32_t timeoutMs;
};

class FakePathIcmp final : public platform::IcmpApi {
public:
    std::vector<PathHop> path;  // the last hop is the target
    std::vector<EchoCall> calls;
    std::function<void()> afterEachSend;
    int handlesOpened = 0;
    int handlesClosed = 0;
    bool refuseHandle = false;

    platform::IcmpHandle IcmpCreateFile() override {
        if (refuseHandle) return 0;
        return ++handlesOpened + 100;
    }

    std::uint32_t IcmpSendEcho(platform::IcmpHandle, std::uint32_t destination, const void* data,
                               std::uint16_t size, const platform::icmp::EchoOptions* options,
                               void* replyBuffer, std::uint32_t replySize,
                               std::uint32_t timeoutMs) override {
        const std::uint8_t ttl = options ? options->timeToLive() : 128;
        calls.push_back({ttl, destination, std::string(static_cast<const char*>(data), size),
                         replySize, timeoutMs});
        const std::size_t index = std::min<std::size_t>(ttl, path.size()) - 1;
        const PathHop& hop = path.at(index);
        const bool isTarget = index + 1 == path.size();
        const auto area = platform::icmp::echo_reply_image::replyArea(replyBuffer, replySize);
        if (hop.silent) {
            platform::icmp::echo_reply_image::writeStatus(area,
                                                          platform::icmp::ip_status::ReqTimedOut);
        } else {
            // Like the real facility: a target's echoed data at the data offset.
            platform::icmp::EchoReplyHeader header;
            header.Address = ::inet_addr(hop.address.c_str());
            header.Status = isTarget ? platform::icmp::ip_status::Success : hop.status;
            header.RoundTripTime = hop.roundTripTime;
            header.DataSize = static_cast<std::int16_t>(isTarget ? size : 0);
            header.DataPointer = isTarget ? platform::icmp::reply_layout::DataOffset : 0;
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            platform::icmp::echo_reply_image::writeAnswer(
                area, header, std::span(bytes, isTarget ? size : std::size_t{0}));
        }
        if (afterEachSend) afterEachSend();
        return hop.silent ? 0 : 1;
    }

    bool IcmpCloseHandle(platform::IcmpHandle) override {
        ++handlesClosed;
        return true;
    }
};

}  // namespace testing_support
