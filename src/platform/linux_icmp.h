#pragma once
// The echo facility on Linux: each handle is one ICMP channel kept open until
// it is closed, so that a trace route's many probes reuse it. The channel is
// the unprivileged datagram socket where the kernel allows it, else the ICMP
// helper program, which alone may open a raw socket; this process never
// holds a privilege. One helper serves every handle and outlives them, so a
// ping click does not pay for starting a process. Like the window that uses
// it, the facility serves one thread at a time.

#include <map>
#include <memory>
#include <string>

#include "platform/icmp/icmp_echo_socket.h"
#include "platform/icmp_api.h"
#include "platform/icmp_helper_client.h"

namespace platform {

class LinuxIcmp final : public IcmpApi {
public:
    LinuxIcmp();

    IcmpHandle IcmpCreateFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination,
                               const void* requestData, std::uint16_t requestSize,
                               const icmp::EchoOptions* options, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle handle) override;

private:
    // Tests and benchmarks reach the forced channels and the inspection
    // through it; the program never does.
    friend class LinuxIcmpSeam;

    // Which channels a new handle may use. The program uses the first; tests
    // force one kind to exercise each (a raw socket of its own needs root).
    enum class Channel { DatagramThenHelper, DatagramOnly, HelperOnly, RawOnly };

    LinuxIcmp(Channel channel, std::string helperPath);

    // One of the two is set.
    struct Route {
        std::unique_ptr<icmp::IcmpEchoSocket> socket;
        std::shared_ptr<IcmpHelperClient> helper;
    };

    // The running helper, or a new one when it has ended or gone wrong; null
    // when none can be started.
    std::shared_ptr<IcmpHelperClient> servingHelper();

    Channel channel_;
    std::string helperPath_;
    IcmpHandle lastHandle_ = 0;
    std::map<IcmpHandle, Route> routes_;
    std::shared_ptr<IcmpHelperClient> helper_;
};

}  // namespace platform
