#pragma once
// The echo facility on Linux: each handle is one ICMP socket kept open until
// it is closed, so that a trace route's many probes reuse it. Like the window
// that uses it, it serves one thread at a time.

#include <map>
#include <memory>
#include <optional>

#include "platform/icmp_api.h"
#include "platform/icmp_echo_socket.h"

namespace platform {

class LinuxIcmp final : public IcmpApi {
public:
    // Which sockets a new handle may use. The default tries the unprivileged
    // datagram socket first; tests force one kind to exercise both.
    enum class SocketChoice { DatagramThenRaw, DatagramOnly, RawOnly };

    explicit LinuxIcmp(SocketChoice choice = SocketChoice::DatagramThenRaw);

    IcmpHandle IcmpCreateFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                               std::uint16_t requestSize, const EchoOptions* options, void* replyBuffer,
                               std::uint32_t replySize, std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle handle) override;

    // The kind of socket behind an open handle.
    std::optional<IcmpSocketKind> socketKind(IcmpHandle handle) const;

private:
    SocketChoice choice_;
    IcmpHandle lastHandle_ = 0;
    std::map<IcmpHandle, std::unique_ptr<IcmpEchoSocket>> sockets_;
};

}  // namespace platform
