// Hands one frame per ping from the ping thread to the GUI thread through a fixed ring of
// preallocated slots, without locks and without allocating. The producer never waits: when the
// consumer is a whole ring behind, the ping is written into a spare slot that is never shown
// and counted as dropped. The consumer takes the frames in order.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vq {

template <class T, std::size_t N>
class FrameRing {
  public:
    static_assert(N >= 2, "a ring needs two slots at least");

    FrameRing() : slots_(std::make_unique<std::array<T, N>>()) {}
    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    // Producer: the slot for this ping; fill it, then Publish(). Call once per Publish().
    T& Back() {
        const std::uint64_t head = head_.load(std::memory_order_relaxed);
        const std::uint64_t tail = tail_.load(std::memory_order_acquire);
        to_spare_ = head - tail >= N;
        return to_spare_ ? spare_ : (*slots_)[head % N];
    }
    void Publish() {
        if (to_spare_) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Consumer: the oldest frame not taken yet, or nullptr; Pop() releases it to the producer.
    const T* Front() const {
        const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) return nullptr;
        return &(*slots_)[tail % N];
    }
    void Pop() {
        const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (tail != head_.load(std::memory_order_acquire)) {
            tail_.store(tail + 1, std::memory_order_release);
        }
    }

    std::uint64_t published() const { return head_.load(std::memory_order_acquire); }
    std::uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

  private:
    std::unique_ptr<std::array<T, N>> slots_;
    T spare_{};
    bool to_spare_ = false;  // producer only
    std::atomic<std::uint64_t> head_{0};
    std::atomic<std::uint64_t> tail_{0};
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace vq
