// The settings shared between the user-interface thread and the thread that runs the pings.
// Writers change them under a short lock; the ping thread copies them once per ping into its
// own snapshot (copy-assignment reuses the snapshot's storage, so no allocation per ping).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "core/settings.h"

namespace vq {

struct SettingsState {
    Settings s;
    HeadLimits head;
    WorkingValues work;
};

class SettingsStore {
  public:
    // Runs f(SettingsState&) under the lock and bumps the version.
    template <class F>
    void Update(F&& f) {
        std::lock_guard lock(m_);
        f(state_);
        version_.fetch_add(1, std::memory_order_release);
    }
    // Runs f(const SettingsState&) under the lock and returns its result.
    template <class F>
    auto Read(F&& f) const {
        std::lock_guard lock(m_);
        return f(static_cast<const SettingsState&>(state_));
    }
    void SnapshotInto(SettingsState& out) const {
        std::lock_guard lock(m_);
        out = state_;
    }
    SettingsState snapshot() const {
        std::lock_guard lock(m_);
        return state_;
    }
    // Changes whenever update() ran; lets a reader skip work when nothing changed.
    std::uint64_t version() const { return version_.load(std::memory_order_acquire); }

  private:
    mutable std::mutex m_;
    SettingsState state_;
    std::atomic<std::uint64_t> version_{0};
};

}  // namespace vq
