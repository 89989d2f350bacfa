#pragma once
// A fixed-size queue between exactly one producer thread and one consumer thread, without
// locks and without allocating after construction: the audio callback hands finished blocks
// to the notifier thread through it.
#include <atomic>
#include <cstddef>
#include <vector>

namespace tqx {

template <typename T>
class SpscRing {
public:
    // Holds at least `capacity` items (rounded up to a power of two).
    explicit SpscRing(std::size_t capacity) {
        std::size_t size = 2;
        while (size < capacity) size *= 2;
        slots_.resize(size);
        mask_ = size - 1;
    }
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    std::size_t capacity() const { return slots_.size(); }

    // Producer side. False when the ring is full; nothing is overwritten.
    bool push(const T& item) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == slots_.size()) return false;
        slots_[tail & mask_] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer side. False when the ring is empty.
    bool pop(T& item) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        item = slots_[head & mask_];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

private:
    std::vector<T> slots_;
    std::size_t mask_ = 0;
    // Counters run freely; their difference is the fill. Kept apart so the two threads do not
    // share a cache line.
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

}  // namespace tqx
