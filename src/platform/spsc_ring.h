#pragma once
// A fixed-size queue between exactly one producer thread and one consumer thread, without
// locks and without allocating after construction: the GUI thread hands blocks to the audio
// callback through it, and the callback hands finished blocks to the notifier thread.
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

    // Consumer side: the oldest item, left in place; nullptr when the ring is empty.
    T* front() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return nullptr;
        return &slots_[head & mask_];
    }
    // Consumer side: drops the oldest item (the ring must not be empty).
    void dropFront() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // Producer side: every item still in the ring, oldest first. The consumer may take some
    // meanwhile; their slots are not reused until the producer pushes again, so what is read
    // is what was pushed.
    template <typename F>
    void forEachQueued(F&& visit) const {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        for (std::size_t i = head_.load(std::memory_order_acquire); i != tail; ++i) visit(slots_[i & mask_]);
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
