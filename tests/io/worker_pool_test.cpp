// The threads an export renders on: every part of a job runs once, and a part that fails
// reaches the caller instead of ending the program.
#include "io/worker_pool.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace tqx {
namespace {

TEST(WorkerPool, RunsEveryPartOnceAndHandsAFailureToTheCaller) {
    WorkerPool pool(3);
    EXPECT_EQ(pool.threads(), 3u);
    for (int job = 0; job < 50; ++job) {
        std::vector<std::atomic<int>> runs(97);
        std::atomic<bool> workerInRange{true};
        pool.run(runs.size(), [&](std::size_t part, unsigned worker) {
            if (worker >= 3) workerInRange = false;
            ++runs[part];
        });
        for (const auto& r : runs) ASSERT_EQ(r.load(), 1);
        EXPECT_TRUE(workerInRange);
    }

    std::atomic<int> ran{0};
    EXPECT_THROW(pool.run(40,
                          [&](std::size_t part, unsigned) {
                              ++ran;
                              if (part == 7) throw std::runtime_error("part 7");
                          }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 40);
    ran = 0;
    pool.run(5, [&](std::size_t, unsigned) { ++ran; });
    EXPECT_EQ(ran.load(), 5);
}

}  // namespace
}  // namespace tqx
