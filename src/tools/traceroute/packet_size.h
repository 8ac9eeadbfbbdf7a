#pragma once
// The packet size box's text brought into 32..128 data bytes.

#include <QString>

#include <cstdint>
#include <optional>

namespace traceroute {

// The value of a text that counts as a number: optional sign, digits with an
// optional "." fraction, optional exponent; blanks around it allowed.
std::optional<double> numberValue(const QString& text);

// What the box must read before a run: "32" for no number or less than 32,
// "128" beyond 128, otherwise the text as it is.
QString normalisedPacketSizeText(const QString& text);

// The number of data bytes for a normalised text, a half going to the even
// neighbour (32.5 gives 32, 33.5 gives 34).
std::int32_t packetSize(const QString& normalisedText);

}  // namespace traceroute
