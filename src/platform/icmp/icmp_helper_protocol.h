#pragma once
// The messages between Tarsino and its ICMP helper (tarsino-icmp), which
// alone may open a raw ICMP socket. Anyone may run the helper and write to
// it, so its requests are read strictly: a request that is malformed, too
// long or out of range is refused as a whole. The answers are read as
// strictly on the other side.
//
// Every message is a frame: a 16-bit length (big-endian) of what follows,
// then a kind byte and the fields of that kind, big-endian, nothing after.
//   ready   'R' u8 socket (1: the helper holds its socket, 0: it could not open one)
//   request 'E' destination (4 bytes, network order) u8 flags (bit 0: time to live given)
//               u8 time to live (1-255 when given, else 0) u16 time-out (ms)
//               u16 payload size, payload
//   answer  'A' i32 status, u8 answered (0 or 1); when answered:
//               4 bytes from (network order), u32 round trip (ms), u8 time to live,
//               u8 type of service, u16 echoed size, echoed data

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/icmp/icmp_echo_outcome.h"

namespace platform::icmp::helper {

constexpr std::size_t LengthSize = 2;
// The largest payload an IPv4 echo request can carry (65535 - 20 - 8).
constexpr std::size_t MaxPayloadSize = 65507;
// The helper waits for no answer longer than this; longer waits are shortened to it.
constexpr std::chrono::milliseconds MaxTimeout{10000};
constexpr std::size_t RequestHeaderSize = LengthSize + 1 + 4 + 1 + 1 + 2 + 2;
constexpr std::size_t MaxRequestSize = RequestHeaderSize + MaxPayloadSize;
constexpr std::size_t AnswerHeaderSize = LengthSize + 1 + 4 + 1;
constexpr std::size_t AnsweredHeaderSize = AnswerHeaderSize + 4 + 4 + 1 + 1 + 2;
constexpr std::size_t MaxAnswerSize = AnsweredHeaderSize + MaxPayloadSize;
constexpr std::size_t ReadySize = LengthSize + 1 + 1;

struct EchoRequest {
    std::uint32_t destination = 0;  // network byte order
    std::uint8_t timeToLive = 0;    // 0: the system's default
    std::chrono::milliseconds timeout{0};
    std::span<const std::uint8_t> payload;  // inside the parsed frame
};

// The size of a whole frame whose first LengthSize bytes are `prefix`.
std::size_t frameSize(std::span<const std::uint8_t, LengthSize> prefix);

std::vector<std::uint8_t> encodeReady(bool socketOpen);
// Whether the helper holds its socket; nothing for anything but a ready frame.
std::optional<bool> parseReady(std::span<const std::uint8_t> frame);

// The caller keeps to the bounds above: payload size, time-out, a time to
// live other than 0 given as such.
void encodeRequest(std::vector<std::uint8_t>& frame, const EchoRequest& request);
// One whole request frame; nothing for a frame that is malformed, longer than
// its fields, or asks for anything out of range (no destination or the
// broadcast address, a time to live of 0, a payload or time-out over the bounds).
std::optional<EchoRequest> parseRequest(std::span<const std::uint8_t> frame);

void encodeAnswer(std::vector<std::uint8_t>& frame, const EchoOutcome& outcome);
// One whole answer frame to a request that carried `sentPayloadSize` bytes:
// an echo reply must return exactly as many, an error report none, and the
// status must be one an echo can end with. Echoed data points into `frame`.
std::optional<EchoOutcome> parseAnswer(std::span<const std::uint8_t> frame,
                                       std::size_t sentPayloadSize);

}  // namespace platform::icmp::helper
