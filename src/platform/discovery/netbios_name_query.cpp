#include "platform/discovery/netbios_name_query.h"

#include "platform/byte_order.h"

namespace platform::discovery::netbios {

namespace {

constexpr int HeaderSize = 12;
constexpr int EncodedNameSize = 34;
constexpr quint16 TypeNB = 0x0020;
constexpr quint16 ClassIN = 0x0001;
// Flags of a broadcast query: opcode 0 (query), recursion desired, broadcast.
constexpr quint16 QueryFlags = 0x0110;
constexpr quint16 ResponseBit = 0x8000;
constexpr quint16 OpcodeMask = 0x7800;
constexpr quint16 RcodeMask = 0x000F;
// Each address entry of an answer: NB_FLAGS, then the IPv4 address.
constexpr int AddressEntrySize = 6;

void appendUint16(QByteArray& packet, quint16 value) {
    std::uint8_t bytes[2];
    byte_order::storeBig16(bytes, value);
    packet.append(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

const std::uint8_t* bytesAt(const QByteArray& data, qsizetype offset) {
    return reinterpret_cast<const std::uint8_t*>(data.constData() + offset);
}

quint16 uint16At(const QByteArray& data, qsizetype offset) {
    return byte_order::loadBig16(bytesAt(data, offset));
}

}  // namespace

std::optional<QByteArray> encodeName(const QString& name, quint8 suffix) {
    if (name.isEmpty() || name.size() > 15) return std::nullopt;
    QByteArray plain;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return std::nullopt;
        plain.append(static_cast<char>(c.toUpper().unicode()));
    }
    plain = plain.leftJustified(15, ' ');
    plain.append(static_cast<char>(suffix));
    QByteArray encoded;
    encoded.append(char(32));
    for (const char byte : std::as_const(plain)) {
        const auto value = static_cast<quint8>(byte);
        encoded.append(static_cast<char>('A' + (value >> 4)));
        encoded.append(static_cast<char>('A' + (value & 0x0F)));
    }
    encoded.append('\0');
    return encoded;
}

std::optional<QByteArray> buildNameQuery(quint16 transactionId, const QString& name) {
    const std::optional<QByteArray> encoded = encodeName(name, ServerSuffix);
    if (!encoded) return std::nullopt;
    QByteArray packet;
    appendUint16(packet, transactionId);
    appendUint16(packet, QueryFlags);
    appendUint16(packet, 1);  // one question
    appendUint16(packet, 0);
    appendUint16(packet, 0);
    appendUint16(packet, 0);
    packet.append(*encoded);
    appendUint16(packet, TypeNB);
    appendUint16(packet, ClassIN);
    return packet;
}

std::optional<quint16> transactionIdOf(const QByteArray& datagram) {
    if (datagram.size() < HeaderSize) return std::nullopt;
    return uint16At(datagram, 0);
}

std::optional<QHostAddress> parseNameQueryAnswer(const QByteArray& datagram, quint16 transactionId,
                                                 const QString& name) {
    const std::optional<QByteArray> encoded = encodeName(name, ServerSuffix);
    if (!encoded || datagram.size() > MaxDatagramSize || datagram.size() < HeaderSize)
        return std::nullopt;
    const quint16 flags = uint16At(datagram, 2);
    // A positive answer carries no question and at least one resource record;
    // only the first is read.
    if (uint16At(datagram, 0) != transactionId || !(flags & ResponseBit) ||
        (flags & OpcodeMask) != 0 || (flags & RcodeMask) != 0 || uint16At(datagram, 4) != 0 ||
        uint16At(datagram, 6) == 0)
        return std::nullopt;

    qsizetype offset = HeaderSize;
    // The record's name in full: a compressed name could only point back into
    // a header that holds no name.
    if (datagram.size() < offset + EncodedNameSize + 10 ||
        datagram.mid(offset, EncodedNameSize) != *encoded)
        return std::nullopt;
    offset += EncodedNameSize;
    if (uint16At(datagram, offset) != TypeNB || uint16At(datagram, offset + 2) != ClassIN)
        return std::nullopt;
    const quint16 dataLength =
        uint16At(datagram, offset + 8);  // after type, class and time to live
    offset += 10;
    if (dataLength == 0 || dataLength % AddressEntrySize != 0 ||
        datagram.size() - offset < dataLength)
        return std::nullopt;
    for (qsizetype entry = offset; entry < offset + dataLength; entry += AddressEntrySize) {
        const quint32 address = byte_order::loadBig32(bytesAt(datagram, entry + 2));
        if (address != 0 && address != 0xFFFFFFFF) return QHostAddress(address);
    }
    return std::nullopt;
}

}  // namespace platform::discovery::netbios
