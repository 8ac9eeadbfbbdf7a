#pragma once
// An echo facility that models a route: the node at hop k answers a probe
// whose time to live is k (routers with a time-exceeded or other error
// report, the last node with an echo reply for any larger time to live).
// Silent hops answer nothing. Every call is recorded.

#include <arpa/inet.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "net/echo_reply.h"
#include "platform/icmp_api.h"

namespace testing_support {

struct PathHop {
    std::string address;
    std::uint32_t roundTripTime = 1;
    std::int32_t status = platform::ip_status::TtlExpiredTransit;
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
                               std::uint16_t size, const platform::EchoOptions* options,
                               void* replyBuffer, std::uint32_t replySize,
                               std::uint32_t timeoutMs) override {
        const std::uint8_t ttl = options ? options->timeToLive() : 128;
        calls.push_back({ttl, destination, std::string(static_cast<const char*>(data), size),
                         replySize, timeoutMs});
        const std::size_t index = std::min<std::size_t>(ttl, path.size()) - 1;
        const PathHop& hop = path.at(index);
        const bool isTarget = index + 1 == path.size();
        EchoReply reply;
        reply.Status = platform::ip_status::ReqTimedOut;
        std::uint32_t replies = 0;
        if (!hop.silent) {
            reply.Address = ::inet_addr(hop.address.c_str());
            reply.Status = isTarget ? platform::ip_status::Success : hop.status;
            reply.RoundTripTime = hop.roundTripTime;
            reply.DataSize = static_cast<std::int16_t>(isTarget ? size : 0);
            replies = 1;
        }
        auto image = reply.toImage();
        if (replies == 1 && isTarget) {
            // Like the real facility: the echoed data at the data area's start.
            namespace layout = platform::reply_layout;
            reply.DataPointer = layout::DataOffset;
            image = reply.toImage();
            const std::size_t room = replySize > layout::DataOffset ? replySize - layout::DataOffset : 0;
            std::memcpy(image.data() + layout::DataOffset, data, std::min<std::size_t>(size, room));
        }
        std::memcpy(replyBuffer, image.data(), std::min<std::size_t>(image.size(), replySize));
        if (afterEachSend) afterEachSend();
        return replies;
    }

    bool IcmpCloseHandle(platform::IcmpHandle) override {
        ++handlesClosed;
        return true;
    }
};

}  // namespace testing_support
