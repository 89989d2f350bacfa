#pragma once
// A few threads that share the parts of one job with the calling thread, sized to the machine.
// The parts of a job may finish in any order; whoever needs an order keeps the results apart
// and puts them together afterwards.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tqx {

class WorkerPool {
public:
    using Part = std::function<void(std::size_t part, unsigned worker)>;

    // `threads` (1 or more) counts the calling thread. Fewer run when the system has no more
    // threads to give.
    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned threads() const { return static_cast<unsigned>(helpers_.size()) + 1; }
    // The processors the machine has, one at least.
    static unsigned processors();

    // Runs part(i, worker) once for every i in [0, parts) and returns when all have run.
    // `worker` (0 … threads() − 1) tells apart the threads running parts at the same time, so
    // each can have buffers of its own. An exception from a part is thrown here once every
    // part has run.
    void run(std::size_t parts, const Part& part);

private:
    void stop();
    void work(unsigned worker);
    void helperLoop(unsigned worker);

    std::vector<std::thread> helpers_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const Part* part_ = nullptr;
    std::size_t parts_ = 0;
    std::atomic<std::size_t> next_{0};
    std::size_t job_ = 0;  // counts the jobs, so a helper sees each new one
    unsigned busy_ = 0;    // helpers still on the job
    bool stopping_ = false;
    std::exception_ptr failure_;
};

}  // namespace tqx
