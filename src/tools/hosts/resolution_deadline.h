#pragma once
// How long "&Rileva" waits for the discovered names to resolve.

#include <algorithm>
#include <chrono>

namespace hosts {

// The list is full about two seconds after the click, whatever the resolver
// does; discovery itself takes up to about that long, so the lookups always
// get at least a short while of their own.
constexpr std::chrono::milliseconds HostsListedWithin(2000);
constexpr std::chrono::milliseconds ShortestResolution(400);

inline std::chrono::steady_clock::time_point resolutionDeadline(
    std::chrono::steady_clock::time_point clicked, std::chrono::steady_clock::time_point now) {
    return std::max(clicked + HostsListedWithin, now + ShortestResolution);
}

}  // namespace hosts
