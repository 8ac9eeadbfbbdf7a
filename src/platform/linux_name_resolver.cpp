#include "platform/linux_name_resolver.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/linux_sockets.h"

namespace platform {

namespace {

// The answers of one call. The caller and the workers share it, so a worker
// that delivers after the caller has gone writes into memory still alive.
struct Batch {
    explicit Batch(std::size_t count) : answers(count), outstanding(count) {}

    void deliver(std::size_t index, std::optional<std::uint32_t> answer) {
        {
            std::lock_guard lock(mutex);
            answers[index] = answer;
            --outstanding;
        }
        answered.notify_all();
    }

    std::mutex mutex;
    std::condition_variable answered;
    std::vector<std::optional<std::uint32_t>> answers;
    std::size_t outstanding;
};

struct Task {
    std::shared_ptr<Batch> batch;
    std::size_t index = 0;
    std::string name;
};

}  // namespace

// Shared by the resolver and every worker thread, which may outlive it.
struct LinuxNameResolver::Pool {
    Pool(Lookup lookupFunction, int threadLimit)
        : lookup(std::move(lookupFunction)), maxThreads(threadLimit < 1 ? 1 : threadLimit) {}

    const Lookup lookup;
    const int maxThreads;
    std::mutex mutex;
    std::deque<Task> queue;
    int threads = 0;  // alive, busy or about to take the next task
};

namespace {

// A worker takes tasks until none are left, then ends: no thread stays
// behind idle between calls.
void serve(const std::shared_ptr<LinuxNameResolver::Pool>& pool) {
    std::unique_lock lock(pool->mutex);
    while (!pool->queue.empty()) {
        Task task = std::move(pool->queue.front());
        pool->queue.pop_front();
        lock.unlock();
        task.batch->deliver(task.index, pool->lookup(task.name));
        lock.lock();
    }
    --pool->threads;
}

}  // namespace

LinuxNameResolver::LinuxNameResolver(Lookup lookup, int maxThreads)
    : pool_(std::make_shared<Pool>(std::move(lookup), maxThreads)) {}

LinuxNameResolver::~LinuxNameResolver() {
    // Workers still held by the system resolver keep the pool alive; they
    // find nothing more to do and end.
    std::lock_guard lock(pool_->mutex);
    pool_->queue.clear();
}

std::vector<std::optional<std::uint32_t>> LinuxNameResolver::resolveAll(
    const std::vector<std::string>& names, Deadline deadline) {
    if (names.empty()) return {};
    const auto batch = std::make_shared<Batch>(names.size());
    {
        std::lock_guard lock(pool_->mutex);
        for (std::size_t index = 0; index < names.size(); ++index)
            pool_->queue.push_back(Task{batch, index, names[index]});
        const std::size_t wanted = pool_->queue.size();
        while (pool_->threads < pool_->maxThreads &&
               static_cast<std::size_t>(pool_->threads) < wanted) {
            try {
                // Detached: a lookup the system resolver holds must neither
                // hold this caller nor the program's exit.
                std::thread(serve, pool_).detach();
            } catch (const std::system_error&) {
                break;  // out of threads: those running serve the queue
            }
            ++pool_->threads;
        }
    }

    std::vector<std::optional<std::uint32_t>> answers;
    {
        std::unique_lock lock(batch->mutex);
        batch->answered.wait_until(lock, deadline, [&] { return batch->outstanding == 0; });
        answers = batch->answers;
    }
    // Names nobody has taken up yet are dropped, so a later call does not
    // queue behind lookups whose answers no one waits for.
    std::lock_guard lock(pool_->mutex);
    std::erase_if(pool_->queue, [&](const Task& task) { return task.batch == batch; });
    return answers;
}

std::optional<std::uint32_t> LinuxNameResolver::systemLookup(const std::string& name) {
    const std::optional<HostEntry> entry = LookUpIPv4Host(name);
    if (!entry || entry->addressList.empty() || entry->addressList.front().size() < 4)
        return std::nullopt;
    std::uint32_t address = 0;
    std::memcpy(&address, entry->addressList.front().data(), 4);
    return address;
}

}  // namespace platform
