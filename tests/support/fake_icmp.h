#pragma once
// An echo facility whose answers a test sets: it records each request and
// writes the header image and echoed data a test asks for.

#include <functional>
#include <optional>
#include <vector>

#include "platform/icmp/echo_reply_image.h"
#include "platform/icmp/ip_status.h"
#include "platform/icmp_api.h"

namespace testing_support {

class FakeIcmp final : public platform::IcmpApi {
public:
    struct Request {
        platform::IcmpHandle handle;
        std::uint32_t destination;
        std::vector<std::uint8_t> data;
        std::optional<platform::icmp::EchoOptions> options;
        std::uint32_t replySize;
        std::uint32_t timeoutMs;
    };

    platform::IcmpHandle handleToGive = 7;  // 0: no handle can be opened
    std::uint32_t result = 0;               // what IcmpSendEcho returns
    // Writes the answer into the reply area; by default the status alone.
    std::function<void(std::uint8_t* reply, std::uint32_t replySize)> answer;
    std::int32_t status = platform::icmp::ip_status::ReqTimedOut;

    std::vector<Request> requests;
    int opened = 0;
    std::vector<platform::IcmpHandle> closed;

    platform::IcmpHandle IcmpCreateFile() override {
        if (handleToGive != 0) ++opened;
        return handleToGive;
    }
    std::uint32_t IcmpSendEcho(platform::IcmpHandle handle, std::uint32_t destination,
                               const void* requestData, std::uint16_t requestSize,
                               const platform::icmp::EchoOptions* options, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs) override {
        const auto* bytes = static_cast<const std::uint8_t*>(requestData);
        requests.push_back(
            {handle, destination, std::vector<std::uint8_t>(bytes, bytes + requestSize),
             options ? std::optional(*options) : std::nullopt, replySize, timeoutMs});
        if (answer)
            answer(static_cast<std::uint8_t*>(replyBuffer), replySize);
        else
            platform::icmp::echo_reply_image::writeStatus(
                platform::icmp::echo_reply_image::replyArea(replyBuffer, replySize), status);
        return result;
    }
    bool IcmpCloseHandle(platform::IcmpHandle handle) override {
        closed.push_back(handle);
        return true;
    }
};

}  // namespace testing_support
