#pragma once
// A network browser that answers each call from a script and records the
// resume handle it was given.

#include <string>
#include <vector>

#include "platform/server_browser.h"

namespace testing_support {

class FakeServerBrowser final : public platform::ServerBrowser {
public:
    struct Call {
        platform::ServerEnumResult result;
        std::uint32_t nextResumeHandle = 0;
    };

    std::vector<Call> script;
    bool repeatLast = false;       // answer like the last call for ever after
    std::size_t maxCalls = 10000;  // then nothing more, so a runaway caller ends
    std::vector<std::uint32_t> receivedHandles;

    // One call that delivers `servers` (name, seen address) with the given
    // status and total, moving the resume handle to `nextResumeHandle`.
    void addCall(std::uint32_t status,
                 const std::vector<std::pair<std::u16string, std::string>>& servers,
                 std::uint32_t totalEntries, std::uint32_t nextResumeHandle = 0) {
        Call call;
        call.result.status = status;
        call.result.entriesRead = static_cast<std::uint32_t>(servers.size());
        call.result.totalEntries = totalEntries;
        for (const auto& [name, seen] : servers) call.result.servers.push_back({name, seen});
        call.nextResumeHandle = nextResumeHandle;
        script.push_back(std::move(call));
    }

    platform::ServerEnumResult NetServerEnum(std::uint32_t& resumeHandle) override {
        receivedHandles.push_back(resumeHandle);
        const std::size_t index = receivedHandles.size() - 1;
        if (index >= maxCalls || script.empty() || (index >= script.size() && !repeatLast))
            return {};
        const Call& call = script[std::min(index, script.size() - 1)];
        resumeHandle = call.nextResumeHandle;
        return call.result;
    }
};

}  // namespace testing_support
