// The four values the operator turns on the control panel (range, start gain, display gain,
// persistence), what bounds them at the moment, and the warning shown when a typed value is
// refused. Shared by the dial, key and typed-entry rules.
#pragma once

#include <string>

#include "core/settings_store.h"

namespace vq {

// The dials of the control panel; the typed-entry field names the same four (0: none).
enum class Dial : int { None = 0, Range = 1, Gain = 2, DisplayGain = 3, Persistence = 4 };

inline constexpr int kMinDisplayGain = 1;
inline constexpr int kMaxDisplayGain = 100;
inline constexpr int kMaxPersistenceS = 600;
// Half-range mode exists only on heads whose lowest range index is below this.
inline constexpr int kHalfRangeBelowIndex = 3;
inline constexpr int kProfileMode = 3;

struct PanelValues {
    int range_index = 7;
    bool half_range = false;
    int gain = 6;           // start gain, dB
    int display_gain = 50;  // percent
    int persistence = 0;    // seconds
    friend bool operator==(const PanelValues&, const PanelValues&) = default;
};

struct PanelLimits {
    bool live = true;
    bool hold = false;
    int display_type = 0;  // 3: profile mode (no persistence dial)
    bool fine_resolution = false;
    int units = 0;  // 0 metres, 1 feet, 2 yards
    int min_range_index = 2;
    int max_range_index = 11;
    int max_gain = 20;
    bool profile_mode() const { return display_type == kProfileMode; }
};

// A refused value: the message box text and its title, exactly as the operator reads them.
struct PanelWarning {
    std::string text;
    std::string title;
    friend bool operator==(const PanelWarning&, const PanelWarning&) = default;
};

// The panel's values and limits as the settings hold them now.
PanelValues ReadPanelValues(const SettingsState& st);
PanelLimits ReadPanelLimits(const SettingsState& st, bool hold);

}  // namespace vq
