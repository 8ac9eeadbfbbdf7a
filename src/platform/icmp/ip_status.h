#pragma once
// The outcome codes of an echo request, as the reply's Status field carries
// them: the tools show their texts, the helper sends them over its pipe.

#include <cstdint>

namespace platform::icmp {

// Status codes written into the reply's Status field.
namespace ip_status {
constexpr std::int32_t Success = 0;
constexpr std::int32_t BufTooSmall = 11001;
constexpr std::int32_t DestNetUnreachable = 11002;
constexpr std::int32_t DestHostUnreachable = 11003;
constexpr std::int32_t DestProtUnreachable = 11004;
constexpr std::int32_t DestPortUnreachable = 11005;
constexpr std::int32_t NoResources = 11006;
constexpr std::int32_t BadOption = 11007;
constexpr std::int32_t HwError = 11008;
constexpr std::int32_t PacketTooBig = 11009;
constexpr std::int32_t ReqTimedOut = 11010;
constexpr std::int32_t BadReq = 11011;
constexpr std::int32_t BadRoute = 11012;
constexpr std::int32_t TtlExpiredTransit = 11013;
constexpr std::int32_t TtlExpiredReassem = 11014;
constexpr std::int32_t ParamProblem = 11015;
constexpr std::int32_t SourceQuench = 11016;
constexpr std::int32_t OptionTooBig = 11017;
constexpr std::int32_t BadDestination = 11018;
constexpr std::int32_t AddrDeleted = 11019;
constexpr std::int32_t SpecMtuChange = 11020;
constexpr std::int32_t MtuChange = 11021;
constexpr std::int32_t Unload = 11022;
constexpr std::int32_t AddrAdded = 11023;
constexpr std::int32_t GeneralFailure = 11050;
constexpr std::int32_t Pending = 11255;
}  // namespace ip_status

}  // namespace platform::icmp
