#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace planner {

// Threads started once and reused for every decision. `run` hands out item
// indices 0..count-1 to the workers and the calling thread until all are
// done or `keep_going` says stop; each item is run exactly once or not at
// all, and `run` returns when no item is running any more.
class WorkerPool {
public:
    explicit WorkerPool(int threads);  // total threads, the caller included
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // `work(item, thread)` with thread in 0..threads()-1 (0: the caller).
    // Returns the number of items run.
    std::size_t run(std::size_t count, const std::function<void(std::size_t, int)>& work,
                    const std::function<bool()>& keep_going);
    int threads() const { return static_cast<int>(workers_.size()) + 1; }

private:
    void worker_main(int thread);
    void drain(int thread);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::size_t generation_ = 0;
    int busy_ = 0;
    bool stopping_ = false;

    std::size_t count_ = 0;
    const std::function<void(std::size_t, int)>* work_ = nullptr;
    const std::function<bool()>* keep_going_ = nullptr;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> ran_{0};
    std::atomic<bool> stop_{false};
};

}  // namespace planner
