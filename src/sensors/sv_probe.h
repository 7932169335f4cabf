// Sound-velocity probe input: one reading per text line, range checks, a nine-reading Hampel
// filter, and the externally supplied sound velocity that the ping pipeline applies live.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vq {

inline constexpr float kMinSoundVelocity = 1400.0f;
inline constexpr float kMaxSoundVelocity = 1600.0f;

// The externally supplied sound velocity, written by the probe parser or by external control
// and read by the ping pipeline. The value is stored before the flags are raised.
class ExternalSoundVelocity {
  public:
    void Supply(float metres_per_second) {
        value_.store(metres_per_second, std::memory_order_relaxed);
        received_.store(true, std::memory_order_release);
        pending_.store(true, std::memory_order_release);
    }
    // The value while the pending flag is set (the pipeline applies it on every live ping).
    std::optional<float> pending() const {
        if (!pending_.load(std::memory_order_acquire)) return std::nullopt;
        return value_.load(std::memory_order_relaxed);
    }
    // As pending(), and clears the flag: for callers that apply a value once.
    std::optional<float> TakePending() {
        if (!pending_.exchange(false, std::memory_order_acq_rel)) return std::nullopt;
        return value_.load(std::memory_order_relaxed);
    }
    void ClearPending() { pending_.store(false, std::memory_order_release); }
    bool received() const { return received_.load(std::memory_order_acquire); }
    void ClearReceived() { received_.store(false, std::memory_order_release); }
    float value() const { return value_.load(std::memory_order_relaxed); }

  private:
    std::atomic<float> value_{1500.0f};
    std::atomic<bool> pending_{false};
    std::atomic<bool> received_{false};
};

// The pipeline's step for each ping: live, a pending value becomes `sound_velocity`. Returns
// true when that changed the value (the overlays that depend on it are redrawn).
bool ApplyExternalSoundVelocity(const ExternalSoundVelocity& external, bool live,
                                float& sound_velocity);

// Median of nine values.
float Median9(std::array<float, 9> values);
// Hampel filter over the nine newest readings (`history[0]` is the newest reading v): v when
// it lies within 1.4826 x the median absolute deviation of the median, otherwise the median.
float Hampel9(const std::array<float, 9>& history);

enum class SvDeviceType { DigibarPro = 0, Sbe37 = 1 };

class SvProbe {
  public:
    explicit SvProbe(ExternalSoundVelocity& output) : output_(output) {}

    // "SVDeviceType": 0 "Digibar Pro", 1 "SBE 37". Any thread.
    void set_device_type(int sv_device_type);
    // While the display is on hold, lines are ignored. Any thread.
    void set_hold(bool hold) { hold_.store(hold, std::memory_order_relaxed); }

    // One received character (the serial reader's sink).
    void Feed(char c);
    // One framed line (without its leading space and carriage return).
    void HandleLine(std::string_view line);

    std::uint32_t readings_accepted() const { return accepted_.load(std::memory_order_relaxed); }
    std::uint32_t readings_rejected() const { return rejected_.load(std::memory_order_relaxed); }

  private:
    static constexpr int kMaxLine = 256;
    void TakeReading(std::optional<float> v);

    ExternalSoundVelocity& output_;
    std::atomic<int> device_type_{0};
    std::atomic<bool> hold_{false};
    std::atomic<std::uint32_t> accepted_{0};
    std::atomic<std::uint32_t> rejected_{0};

    // Reader-thread state.
    bool collecting_ = false;
    int line_len_ = 0;
    std::array<char, kMaxLine> line_{};
    std::array<float, 9> history_{};  // newest first; zero until filled
};

}  // namespace vq
