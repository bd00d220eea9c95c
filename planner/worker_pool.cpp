#include "worker_pool.h"

namespace planner {

WorkerPool::WorkerPool(int threads) {
    for (int t = 1; t < threads; ++t) {
        workers_.emplace_back([this, t] { worker_main(t); });
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void WorkerPool::drain(int thread) {
    for (;;) {
        if (stop_.load(std::memory_order_relaxed)) {
            return;
        }
        if (!(*keep_going_)()) {
            stop_.store(true, std::memory_order_relaxed);
            return;
        }
        const std::size_t item = next_.fetch_add(1);
        if (item >= count_) {
            return;
        }
        (*work_)(item, thread);
        ran_.fetch_add(1);
    }
}

void WorkerPool::worker_main(int thread) {
    std::size_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) {
                return;
            }
            seen = generation_;
        }
        drain(thread);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --busy_;
        }
        done_.notify_all();
    }
}

std::size_t WorkerPool::run(std::size_t count, const std::function<void(std::size_t, int)>& work,
                            const std::function<bool()>& keep_going) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        count_ = count;
        work_ = &work;
        keep_going_ = &keep_going;
        next_.store(0);
        ran_.store(0);
        stop_.store(false);
        busy_ = static_cast<int>(workers_.size());
        ++generation_;
    }
    wake_.notify_all();
    drain(0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    return ran_.load();
}

}  // namespace planner
