// The queue between the audio callback and the notifier thread loses, duplicates and reorders
// nothing, also when the two sides race around a small ring many times.
#include <gtest/gtest.h>
#include <thread>

#include "platform/spsc_ring.h"

namespace tqx {
namespace {

TEST(AudioRing, RefusesWhenFullAndKeepsOrder) {
    SpscRing<int> ring(3);
    ASSERT_EQ(ring.capacity(), 4u);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(ring.push(i));
    EXPECT_FALSE(ring.push(99));
    int v = -1;
    ASSERT_TRUE(ring.pop(v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(ring.push(4));
    for (int expected = 1; expected <= 4; ++expected) {
        ASSERT_TRUE(ring.pop(v));
        EXPECT_EQ(v, expected);
    }
    EXPECT_FALSE(ring.pop(v));
}

TEST(AudioRing, TwoThreadsPassEveryItemOnceInOrder) {
    constexpr std::uint64_t kCount = 200000;
    SpscRing<std::uint64_t> ring(8);
    std::thread producer([&] {
        for (std::uint64_t i = 0; i < kCount;)
            if (ring.push(i))
                ++i;
            else
                std::this_thread::yield();
    });
    std::uint64_t expected = 0;
    bool inOrder = true;
    while (expected < kCount) {
        std::uint64_t v;
        if (!ring.pop(v)) {
            std::this_thread::yield();
            continue;
        }
        inOrder = inOrder && v == expected;
        ++expected;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    std::uint64_t extra;
    EXPECT_FALSE(ring.pop(extra));
}

}  // namespace
}  // namespace tqx
