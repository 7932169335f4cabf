// Hands the newest of a stream of items (pictures, camera frames) from one producer thread to one
// consumer thread without locks and without either side ever waiting: a triple buffer. The
// producer always has a slot of its own to fill, the consumer always reads a complete item,
// and an item the consumer did not take in time is simply replaced by a newer one.
#pragma once

#include <array>
#include <atomic>

namespace vq {

template <class Item>
class LatestHandOff {
  public:
    // Producer side: fill Back(), then Publish() it. Back() keeps its storage from the last
    // time this slot was used, so a producer that resizes only when the format grows
    // allocates nothing in the steady state.
    Item& Back() { return slots_[back_]; }
    void Publish() {
        const int previous = middle_.exchange(back_ | kFresh, std::memory_order_acq_rel);
        back_ = previous & kIndexMask;
    }

    // Consumer side: takes the newest published item if one arrived since the last Take();
    // front() stays valid (and unchanged) until the next Take().
    bool Take() {
        if ((middle_.load(std::memory_order_acquire) & kFresh) == 0) return false;
        const int previous = middle_.exchange(front_, std::memory_order_acq_rel);
        front_ = previous & kIndexMask;
        return true;
    }
    const Item& front() const { return slots_[front_]; }

  private:
    static constexpr int kFresh = 4;
    static constexpr int kIndexMask = 3;
    std::array<Item, 3> slots_{};
    int back_ = 0;                // owned by the producer
    int front_ = 1;               // owned by the consumer
    std::atomic<int> middle_{2};  // shared: index of the middle slot | kFresh
};

}  // namespace vq
