#pragma once
// A resolver whose answers a test sets: some names resolve, some are unknown,
// and some stay silent, as if the lookup were still running at the deadline.

#include <array>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "platform/name_resolver.h"

namespace testing_support {

class FakeNameResolver final : public platform::NameResolver {
public:
    std::map<std::string, std::array<std::uint8_t, 4>> hosts;  // name -> first address
    std::set<std::string> silent;
    std::vector<std::vector<std::string>> calls;  // the names of each call
    std::vector<Deadline> deadlines;
    std::vector<std::chrono::steady_clock::time_point> callTimes;

    void addHost(const std::string& name, std::array<std::uint8_t, 4> address) {
        hosts[name] = address;
    }

    std::vector<std::optional<std::uint32_t>> resolveAll(const std::vector<std::string>& names,
                                                         Deadline deadline) override {
        callTimes.push_back(std::chrono::steady_clock::now());
        calls.push_back(names);
        deadlines.push_back(deadline);
        std::vector<std::optional<std::uint32_t>> answers(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const auto found = hosts.find(names[i]);
            if (silent.count(names[i]) != 0 || found == hosts.end()) continue;
            std::uint32_t address = 0;
            std::memcpy(&address, found->second.data(), 4);
            answers[i] = address;
        }
        return answers;
    }
};

}  // namespace testing_support
