#pragma once
// Texts of the trace-route results: one line per answering hop.

#include <QString>

#include <cstdint>

namespace traceroute {

// "<10 ms" below 10 ms, "N ms" up to 1200 ms, "*" beyond.
QString roundTripText(std::int32_t milliseconds);

// "Hop #" TAB ttl TAB round-trip text TAB address CR LF.
QString HopLine(std::uint8_t ttl, std::int32_t roundTripTime, const QString& hopAddress);

}  // namespace traceroute
