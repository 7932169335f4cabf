// "Profile Point Setup" and "Advanced Filter Settings": how the seabed profile is detected,
// filtered and drawn over the sonar picture.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/dialogs/dialog_common.h"
#include "core/settings.h"

namespace vq {

inline constexpr const char* kProfileSetupCaption = "Profile Point Setup";
inline constexpr const char* kProfileSetupTitle = "Profile Setup";  // of its messages
inline constexpr const char* kAdvancedFilterCaption = "Advanced Filter Settings";

// The values "Profile Point Setup" edits, as the settings store holds them (depths in metres).
struct ProfileSetupValues {
    int display_type = 0;  // "ProfileDisplayType": "High Mix", "Med Mix", "Low Mix", "Points Only"
    int artificial_bottom = 0;   // "ProfilePointType"
    int dot_size = 0;            // "ProfilePointDotSize": 0 "Small Dots", 1 "Large Dots"
    int detection = 0;           // "ProfilePointDetection": 1 "Enable", 0 "Disable"
    double min_depth_m = 0.1;    // "ProfileMinDepthBelowSonar"
    double max_depth_m = 100.0;  // "ProfileMaxDepthBelowSonar"
    int detector = 2;  // "ProfilePointFilter": "First Return", "Maximum Return", "Bottom Following"
    int along_track = 0;  // "ProfilePointFilter_g_along_track_avg_sw"
    bool operator==(const ProfileSetupValues&) const = default;
};

ProfileSetupValues ProfileSetupValuesOf(const Settings& s);
void StoreProfileSetup(const ProfileSetupValues& v, Settings& s);

class ProfileSetupModel {
  public:
    // `max_depth_limit_m` the deepest depth allowed, `range_span_m` the range span in force,
    // `units` 0 metres, 1 feet, 2 yards.
    ProfileSetupModel(const ProfileSetupValues& live, double max_depth_limit_m, double range_span_m,
                      int units);

    static const std::vector<std::string>& display_names();   // the four mixes
    static const std::vector<std::string>& detector_names();  // the three detectors
    const char* unit_label() const;                           // "Meters", "Feet", "Yards"

    ProfileSetupValues& values() { return work_; }  // the radio buttons and check boxes
    const ProfileSetupValues& values() const { return work_; }
    // "Minimum Depth:" and "Maximum Depth:" in the display unit ("%3.1f").
    std::string min_depth_text() const;
    std::string max_depth_text() const;
    void MinDepthTextChanged(std::string_view text);
    void MaxDepthTextChanged(std::string_view text);

    // Detection on, "Small Dots", 0.1 to the deepest depth, "Low Mix", no artificial bottom,
    // "Bottom Following", no along-track averaging.
    void Defaults();
    // Refuses, with the title "Profile Setup", a minimum outside 0.1 .. limit - 5 % of the range
    // span, a maximum less than 5 % of the span deeper than the minimum, and a maximum outside
    // 0.5 .. limit (bounds in the display unit); the depth fields are refilled with the live
    // depths.
    OkAnswer Ok();
    const ProfileSetupValues& result() const { return result_; }

  private:
    struct Depth {
        double shown;   // display unit, as typed
        double metres;  // what is stored
        bool valid = true;
    };
    void SetDepth(Depth& d, std::string_view text);
    void RefillDepths();

    ProfileSetupValues live_;
    ProfileSetupValues work_;
    ProfileSetupValues result_;
    double limit_m_;
    double span_m_;
    int units_;
    Depth min_, max_;
};

// The values "Advanced Filter Settings" edits.
struct AdvancedFilterSettings {
    int max_points = 10;            // "Max. Points:" 1..10
    int num_segments = 7;           // "No. of Segments:" 1..10
    int num_depth_bins = 10;        // "No. of Depth Bins:" 1..10 (not used)
    int fill_beams = 1;             // "Fill between beams"
    int main_filter = 1;            // "Main Filter"
    int flat_bottom = 1;            // "Flat Bottom Filter" (the pre-filter)
    int short_outliers = 1;         // "Remove short outliers:"
    int long_outliers = 1;          // no control: always on
    int show_removed = 0;           // "Show removed points"
    double background_level = 0.1;  // "Background Level:" 0.1 .. 1.0
    int outlier_samples = 50;       // "ProfilePointFilter_g_ol_fil_val", samples 10..500
    bool operator==(const AdvancedFilterSettings&) const = default;
};

// The values with settings keys taken from `s`; the three counts kept from `counts`.
AdvancedFilterSettings AdvancedFilterOf(const Settings& s, const AdvancedFilterSettings& counts);
void StoreAdvancedFilter(const AdvancedFilterSettings& v, Settings& s);

class AdvancedFilterModel {
  public:
    // `samples_per_beam` 500 or 1000: the short-outlier distance is shown as a percentage.
    AdvancedFilterModel(const AdvancedFilterSettings& live, int samples_per_beam);

    AdvancedFilterSettings& values() { return work_; }  // the check boxes
    const AdvancedFilterSettings& values() const { return work_; }
    std::string max_points_text() const;
    std::string segments_text() const;
    std::string depth_bins_text() const { return FormatInt(work_.num_depth_bins); }
    std::string background_text() const { return FormatFloat(work_.background_level, 2, 4); }
    std::string percent_text() const { return FormatInt(percent_); }
    int percent() const { return percent_; }

    // The spin buttons: counts by 1 within 1..10, the background level by 0.01 within 0.1..1.0,
    // the percentage by 1 within 2..100.
    void StepMaxPoints(int direction);
    void StepSegments(int direction);
    void StepDepthBins(int direction);
    void StepBackground(int direction);
    void StepPercent(int direction);
    // "Max. Points:" and "No. of Segments:" are read as typed; the other values change only
    // through their spin buttons.
    void MaxPointsTextChanged(std::string_view text);
    void SegmentsTextChanged(std::string_view text);

    void Defaults();
    // "Max. Points is out of range!\nUse 1 to 10." or "No. of Segments is out of range!\nUse 1
    // to 10." (title "Advanced Filter Settings"); otherwise everything is taken and the
    // percentage becomes the outlier distance in samples.
    OkAnswer Ok();
    const AdvancedFilterSettings& result() const { return result_; }

  private:
    AdvancedFilterSettings live_;
    AdvancedFilterSettings work_;
    AdvancedFilterSettings result_;
    int samples_;
    int percent_;
    bool max_points_valid_ = true;
    bool segments_valid_ = true;
};

}  // namespace vq
