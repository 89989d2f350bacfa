#include "io/worker_pool.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace tqx {

unsigned WorkerPool::processors() { return std::max(1u, std::thread::hardware_concurrency()); }

WorkerPool::WorkerPool(unsigned threads) {
    threads = std::max(1u, threads);
    helpers_.reserve(threads - 1);
    try {
        for (unsigned w = 1; w < threads; ++w) helpers_.emplace_back([this, w] { helperLoop(w); });
    } catch (const std::system_error&) {
        // No more threads to be had: the ones there are do the work.
    }
}

WorkerPool::~WorkerPool() { stop(); }

void WorkerPool::stop() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

void WorkerPool::run(std::size_t parts, const Part& part) {
    if (helpers_.empty() || parts <= 1) {
        for (std::size_t i = 0; i < parts; ++i) part(i, 0);
        return;
    }
    {
        std::lock_guard guard(lock_);
        part_ = &part;
        parts_ = parts;
        next_ = 0;
        busy_ = static_cast<unsigned>(helpers_.size());
        ++job_;
    }
    wake_.notify_all();
    work(0);
    std::exception_ptr failure;
    {
        std::unique_lock guard(lock_);
        finished_.wait(guard, [this] { return busy_ == 0; });
        part_ = nullptr;
        failure = std::exchange(failure_, nullptr);
    }
    if (failure) std::rethrow_exception(failure);
}

void WorkerPool::work(unsigned worker) {
    for (std::size_t i = next_++; i < parts_; i = next_++) {
        try {
            (*part_)(i, worker);
        } catch (...) {
            std::lock_guard guard(lock_);
            if (!failure_) failure_ = std::current_exception();
        }
    }
}

void WorkerPool::helperLoop(unsigned worker) {
    std::size_t seen = 0;
    for (;;) {
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [&] { return stopping_ || job_ != seen; });
            if (stopping_) return;
            seen = job_;
        }
        work(worker);
        std::lock_guard guard(lock_);
        if (--busy_ == 0) finished_.notify_one();
    }
}

}  // namespace tqx
