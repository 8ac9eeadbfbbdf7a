#include "platform/icmp/icmp_helper_protocol.h"

#include <cstring>

#include "platform/byte_order.h"
#include "platform/icmp/echo_destination.h"
#include "platform/icmp/ip_status.h"

namespace platform::icmp::helper {

namespace {

constexpr std::uint8_t ReadyKind = 'R';
constexpr std::uint8_t RequestKind = 'E';
constexpr std::uint8_t AnswerKind = 'A';
constexpr std::uint8_t TimeToLiveGiven = 0x01;
constexpr std::int32_t FirstFailure = ip_status::BufTooSmall;
constexpr std::int32_t LastFailure = ip_status::GeneralFailure;

// Appends big-endian fields to a frame.
class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& frame) : frame_(frame) {
        frame_.assign(LengthSize, 0);
    }
    void u8(std::uint8_t value) { frame_.push_back(value); }
    void u16(std::uint16_t value) {
        std::uint8_t bytes[2];
        byte_order::storeBig16(bytes, value);
        raw(bytes, sizeof bytes);
    }
    void u32(std::uint32_t value) {
        std::uint8_t bytes[4];
        byte_order::storeBig32(bytes, value);
        raw(bytes, sizeof bytes);
    }
    void raw(const void* bytes, std::size_t size) {
        const auto* begin = static_cast<const std::uint8_t*>(bytes);
        frame_.insert(frame_.end(), begin, begin + size);
    }
    // Fills in the length once everything is written.
    ~Writer() {
        const std::size_t length = frame_.size() - LengthSize;
        byte_order::storeBig16(frame_.data(), static_cast<std::uint16_t>(length));
    }

private:
    std::vector<std::uint8_t>& frame_;
};

// Takes big-endian fields off the front of a frame; every read checks that
// the field is there, and a failed read spoils the rest.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}
    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && rest_.empty(); }
    std::uint8_t u8() { return take(1) ? last_[0] : 0; }
    std::uint16_t u16() { return take(2) ? byte_order::loadBig16(last_.data()) : 0; }
    std::uint32_t u32() { return take(4) ? byte_order::loadBig32(last_.data()) : 0; }
    std::uint32_t networkOrder32() {
        std::uint32_t value = 0;
        if (take(4)) std::memcpy(&value, last_.data(), 4);
        return value;
    }
    std::span<const std::uint8_t> bytes(std::size_t size) {
        return take(size) ? last_ : last_.first(0);
    }

private:
    bool take(std::size_t size) {
        if (!ok_ || rest_.size() < size) {
            ok_ = false;
            last_ = {};
            return false;
        }
        last_ = rest_.first(size);
        rest_ = rest_.subspan(size);
        return true;
    }

    std::span<const std::uint8_t> rest_;
    std::span<const std::uint8_t> last_;
    bool ok_ = true;
};

// The fields after the length prefix, when the prefix names exactly them.
std::optional<Reader> body(std::span<const std::uint8_t> frame, std::uint8_t kind) {
    if (frame.size() < LengthSize + 1) return std::nullopt;
    if (frameSize(frame.first<LengthSize>()) != frame.size()) return std::nullopt;
    if (frame[LengthSize] != kind) return std::nullopt;
    return Reader(frame.subspan(LengthSize + 1));
}

bool isFailure(std::int32_t status) {
    return status >= FirstFailure && status <= LastFailure;
}

}  // namespace

std::size_t frameSize(std::span<const std::uint8_t, LengthSize> prefix) {
    return LengthSize + byte_order::loadBig16(prefix.data());
}

std::vector<std::uint8_t> encodeReady(bool socketOpen) {
    std::vector<std::uint8_t> frame;
    {
        Writer write(frame);
        write.u8(ReadyKind);
        write.u8(socketOpen ? 1 : 0);
    }
    return frame;
}

std::optional<bool> parseReady(std::span<const std::uint8_t> frame) {
    auto read = body(frame, ReadyKind);
    if (!read) return std::nullopt;
    const std::uint8_t socketOpen = read->u8();
    if (!read->atEnd() || socketOpen > 1) return std::nullopt;
    return socketOpen == 1;
}

void encodeRequest(std::vector<std::uint8_t>& frame, const EchoRequest& request) {
    Writer write(frame);
    write.u8(RequestKind);
    write.raw(&request.destination, 4);
    write.u8(request.timeToLive != 0 ? TimeToLiveGiven : 0);
    write.u8(request.timeToLive);
    write.u16(static_cast<std::uint16_t>(request.timeout.count()));
    write.u16(static_cast<std::uint16_t>(request.payload.size()));
    write.raw(request.payload.data(), request.payload.size());
}

std::optional<EchoRequest> parseRequest(std::span<const std::uint8_t> frame) {
    if (frame.size() > MaxRequestSize) return std::nullopt;
    auto read = body(frame, RequestKind);
    if (!read) return std::nullopt;
    EchoRequest request;
    request.destination = read->networkOrder32();
    const std::uint8_t flags = read->u8();
    request.timeToLive = read->u8();
    request.timeout = std::chrono::milliseconds(read->u16());
    const std::uint16_t payloadSize = read->u16();
    request.payload = read->bytes(payloadSize);
    if (!read->atEnd()) return std::nullopt;
    if (!isEchoDestination(request.destination)) return std::nullopt;
    if (flags & ~TimeToLiveGiven) return std::nullopt;
    if (((flags & TimeToLiveGiven) != 0) != (request.timeToLive != 0)) return std::nullopt;
    if (request.timeout > MaxTimeout || payloadSize > MaxPayloadSize) return std::nullopt;
    return request;
}

void encodeAnswer(std::vector<std::uint8_t>& frame, const EchoOutcome& outcome) {
    Writer write(frame);
    write.u8(AnswerKind);
    write.u32(static_cast<std::uint32_t>(outcome.status));
    write.u8(outcome.answer ? 1 : 0);
    if (!outcome.answer) return;
    const auto& answer = *outcome.answer;
    write.raw(&answer.from, 4);
    write.u32(outcome.roundTripMs);
    write.u8(answer.timeToLive);
    write.u8(answer.typeOfService);
    write.u16(static_cast<std::uint16_t>(answer.echoedData.size()));
    write.raw(answer.echoedData.data(), answer.echoedData.size());
}

std::optional<EchoOutcome> parseAnswer(std::span<const std::uint8_t> frame,
                                       std::size_t sentPayloadSize) {
    if (frame.size() > MaxAnswerSize) return std::nullopt;
    auto read = body(frame, AnswerKind);
    if (!read) return std::nullopt;
    EchoOutcome outcome;
    outcome.status = static_cast<std::int32_t>(read->u32());
    const std::uint8_t answered = read->u8();
    if (!read->ok() || answered > 1) return std::nullopt;
    if (answered == 0) {
        // No answer is a failure, whatever else it is.
        if (!read->atEnd() || !isFailure(outcome.status)) return std::nullopt;
        return outcome;
    }
    packet::Answer answer;
    answer.status = outcome.status;
    answer.from = read->networkOrder32();
    outcome.roundTripMs = read->u32();
    answer.timeToLive = read->u8();
    answer.typeOfService = read->u8();
    const std::uint16_t echoedSize = read->u16();
    answer.echoedData = read->bytes(echoedSize);
    if (!read->atEnd()) return std::nullopt;
    // An echo reply returns what was sent, an error report nothing.
    const bool reply = outcome.status == ip_status::Success;
    if (!reply && !isFailure(outcome.status)) return std::nullopt;
    if (echoedSize != (reply ? sentPayloadSize : 0)) return std::nullopt;
    outcome.answer = answer;
    return outcome;
}

}  // namespace platform::icmp::helper
