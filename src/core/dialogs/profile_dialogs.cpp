#include "core/dialogs/profile_dialogs.h"

#include <algorithm>
#include <cmath>

namespace vq {
namespace {

// The depth window is edited with these rounded factors (feet 3.28, yards 1.09 per metre) and
// stored back with the exact ones.
constexpr double kShowFactor[3] = {1.0, 3.28, 1.09};
constexpr double kStoreFactor[3] = {1.0, 0.3048, 0.9144};
constexpr const char* kUnitWord[3] = {"Meters", "Feet", "Yards"};
constexpr double kMinDepthM = 0.1;
constexpr double kMinMaxDepth = 0.5;
constexpr double kDepthMarginOfSpan = 0.05;

}  // namespace

ProfileSetupValues ProfileSetupValuesOf(const Settings& s) {
    return {s.ProfileDisplayType,        s.ProfilePointType,
            s.ProfilePointDotSize,       s.ProfilePointDetection,
            s.ProfileMinDepthBelowSonar, s.ProfileMaxDepthBelowSonar,
            s.ProfilePointFilter,        s.ProfilePointFilter_g_along_track_avg_sw};
}

void StoreProfileSetup(const ProfileSetupValues& v, Settings& s) {
    s.ProfileDisplayType = v.display_type;
    s.ProfilePointType = v.artificial_bottom;
    s.ProfilePointDotSize = v.dot_size;
    s.ProfilePointDetection = v.detection;
    s.ProfileMinDepthBelowSonar = static_cast<float>(v.min_depth_m);
    s.ProfileMaxDepthBelowSonar = static_cast<float>(v.max_depth_m);
    s.ProfilePointFilter = v.detector;
    s.ProfilePointFilter_g_along_track_avg_sw = v.along_track;
}

ProfileSetupModel::ProfileSetupModel(const ProfileSetupValues& live, double max_depth_limit_m,
                                     double range_span_m, int units)
    : live_(live),
      work_(live),
      result_(live),
      limit_m_(max_depth_limit_m),
      span_m_(range_span_m),
      units_(ClampUnits(units)) {
    RefillDepths();
}

const std::vector<std::string>& ProfileSetupModel::display_names() {
    static const std::vector<std::string> kNames = {"High Mix", "Med Mix", "Low Mix",
                                                    "Points Only"};
    return kNames;
}

const std::vector<std::string>& ProfileSetupModel::detector_names() {
    static const std::vector<std::string> kNames = {"First Return", "Maximum Return",
                                                    "Bottom Following"};
    return kNames;
}

const char* ProfileSetupModel::unit_label() const {
    return kUnitWord[units_];
}

void ProfileSetupModel::RefillDepths() {
    min_ = {work_.min_depth_m * kShowFactor[units_], work_.min_depth_m, true};
    max_ = {work_.max_depth_m * kShowFactor[units_], work_.max_depth_m, true};
}

std::string ProfileSetupModel::min_depth_text() const {
    return min_.valid ? FormatFloat(min_.shown, 1, 3) : "?";
}

std::string ProfileSetupModel::max_depth_text() const {
    return max_.valid ? FormatFloat(max_.shown, 1, 3) : "?";
}

void ProfileSetupModel::SetDepth(Depth& d, std::string_view text) {
    const std::optional<double> v = ParseTypedNumber(text);
    d.valid = v.has_value();
    if (v) {
        d.shown = *v;
        d.metres = *v * kStoreFactor[units_];
    }
}

void ProfileSetupModel::MinDepthTextChanged(std::string_view text) {
    SetDepth(min_, text);
}

void ProfileSetupModel::MaxDepthTextChanged(std::string_view text) {
    SetDepth(max_, text);
}

void ProfileSetupModel::Defaults() {
    work_.detection = 1;
    work_.dot_size = 0;
    work_.min_depth_m = kMinDepthM;
    work_.max_depth_m = limit_m_;
    work_.display_type = 2;
    work_.artificial_bottom = 0;
    work_.detector = 2;
    work_.along_track = 0;
    RefillDepths();
}

OkAnswer ProfileSetupModel::Ok() {
    const double f = kShowFactor[units_];
    const double margin = kDepthMarginOfSpan * span_m_;
    const double min_hi = (limit_m_ - margin) * f;
    const char* unit = kUnitWord[units_];
    std::string text;
    if (!min_.valid || min_.shown < kMinDepthM || min_.shown > min_hi) {
        text = "Minimum Depth is out of range!\nUse 0.1 to " + FormatFloat(min_hi, 1, 3) + " " +
               unit + ".";
    } else if (!max_.valid || max_.shown < min_.shown + margin * f) {
        text = "Maximum Depth must be at least " +
               FormatInt(std::llround(std::trunc(margin * f + 0.5))) + " " + unit +
               " greater than Minimum Depth!";
    } else if (max_.shown < kMinMaxDepth || max_.shown > limit_m_ * f) {
        text = "Maximum Depth is out of range!\nUse 0.5 to " + FormatFloat(limit_m_ * f, 1, 3) +
               " " + unit + ".";
    }
    if (!text.empty()) {
        work_.min_depth_m = live_.min_depth_m;
        work_.max_depth_m = live_.max_depth_m;
        RefillDepths();
        return DialogMessage{text, kProfileSetupTitle};
    }
    // Stored within the window the settings file accepts, whatever the rounded unit factors did.
    const double min_m =
        std::clamp(min_.metres, kMinDepthM, std::max(kMinDepthM, limit_m_ - margin));
    const double max_m = std::clamp(max_.metres, std::min(limit_m_, min_m + margin), limit_m_);
    result_ = work_;
    result_.min_depth_m = min_m;
    result_.max_depth_m = max_m;
    return std::nullopt;
}

namespace {

constexpr int kMaxCount = 10;
constexpr int kMinPercent = 2;
constexpr int kMaxPercent = 100;
constexpr double kMinBackground = 0.1;
constexpr double kMaxBackground = 1.0;
constexpr int kMinOutlierSamples = 10;
constexpr int kMaxOutlierSamples = 500;

int StepCount(int v, int direction) {
    return std::clamp(v + (direction > 0 ? 1 : -1), 1, kMaxCount);
}

}  // namespace

AdvancedFilterSettings AdvancedFilterOf(const Settings& s, const AdvancedFilterSettings& counts) {
    AdvancedFilterSettings v = counts;
    v.fill_beams = s.ProfilePointFilter_g_fill_beams_sw;
    v.main_filter = s.ProfilePointFilter_g_main_filter_sw;
    v.flat_bottom = s.ProfilePointFilter_g_pre_filter_sw;
    v.short_outliers = s.ProfilePointFilter_g_short_outliers_sw;
    v.show_removed = s.ProfilePointFilter_g_show_outliers_sw;
    v.background_level = s.ProfilePointFilter_g_bgd_lev;
    v.outlier_samples = s.ProfilePointFilter_g_ol_fil_val;
    return v;
}

void StoreAdvancedFilter(const AdvancedFilterSettings& v, Settings& s) {
    s.ProfilePointFilter_g_fill_beams_sw = v.fill_beams;
    s.ProfilePointFilter_g_main_filter_sw = v.main_filter;
    s.ProfilePointFilter_g_pre_filter_sw = v.flat_bottom;
    s.ProfilePointFilter_g_short_outliers_sw = v.short_outliers;
    s.ProfilePointFilter_g_show_outliers_sw = v.show_removed;
    s.ProfilePointFilter_g_bgd_lev = static_cast<float>(v.background_level);
    s.ProfilePointFilter_g_ol_fil_val = v.outlier_samples;
}

AdvancedFilterModel::AdvancedFilterModel(const AdvancedFilterSettings& live, int samples_per_beam)
    : live_(live),
      work_(live),
      result_(live),
      samples_(samples_per_beam == 1000 ? 1000 : 500),
      percent_(live.outlier_samples * 100 / samples_) {}

std::string AdvancedFilterModel::max_points_text() const {
    return max_points_valid_ ? FormatInt(work_.max_points) : "?";
}

std::string AdvancedFilterModel::segments_text() const {
    return segments_valid_ ? FormatInt(work_.num_segments) : "?";
}

void AdvancedFilterModel::StepMaxPoints(int direction) {
    work_.max_points =
        StepCount(max_points_valid_ ? work_.max_points : live_.max_points, direction);
    max_points_valid_ = true;
}

void AdvancedFilterModel::StepSegments(int direction) {
    work_.num_segments =
        StepCount(segments_valid_ ? work_.num_segments : live_.num_segments, direction);
    segments_valid_ = true;
}

void AdvancedFilterModel::StepDepthBins(int direction) {
    work_.num_depth_bins = StepCount(work_.num_depth_bins, direction);
}

void AdvancedFilterModel::StepBackground(int direction) {
    const double v = work_.background_level + (direction > 0 ? 0.01 : -0.01);
    // Whole hundredths, so that 100 steps up from 0.10 end exactly at 1.00.
    work_.background_level =
        std::clamp(std::round(v * 100.0) / 100.0, kMinBackground, kMaxBackground);
}

void AdvancedFilterModel::StepPercent(int direction) {
    percent_ =
        direction > 0 ? std::min(percent_ + 1, kMaxPercent) : std::max(percent_ - 1, kMinPercent);
}

void AdvancedFilterModel::MaxPointsTextChanged(std::string_view text) {
    const std::optional<int> v = ParseTypedInteger(text);
    max_points_valid_ = v.has_value();
    if (v) work_.max_points = *v;
}

void AdvancedFilterModel::SegmentsTextChanged(std::string_view text) {
    const std::optional<int> v = ParseTypedInteger(text);
    segments_valid_ = v.has_value();
    if (v) work_.num_segments = *v;
}

void AdvancedFilterModel::Defaults() {
    work_.max_points = 10;
    work_.num_segments = 7;
    work_.num_depth_bins = 10;
    work_.background_level = 0.1;
    percent_ = 10;
    work_.flat_bottom = 1;
    work_.main_filter = 1;
    work_.short_outliers = 1;
    work_.long_outliers = 1;
    work_.show_removed = 0;
    work_.fill_beams = 1;
    max_points_valid_ = segments_valid_ = true;
}

OkAnswer AdvancedFilterModel::Ok() {
    if (!max_points_valid_ || work_.max_points < 1 || work_.max_points > kMaxCount) {
        work_.max_points = live_.max_points;
        max_points_valid_ = true;
        return DialogMessage{"Max. Points is out of range!\nUse 1 to 10.", kAdvancedFilterCaption};
    }
    if (!segments_valid_ || work_.num_segments < 1 || work_.num_segments > kMaxCount) {
        work_.num_segments = live_.num_segments;
        segments_valid_ = true;
        return DialogMessage{"No. of Segments is out of range!\nUse 1 to 10.",
                             kAdvancedFilterCaption};
    }
    result_ = work_;
    // With 1000 samples per beam the percentage reaches 1000 samples; the settings file keeps
    // 10..500, so a larger distance is stored as 500 rather than lost at the next start.
    // The percentage is worked in whole numbers (29 % of 500 is 145 samples, where 0.29 as a
    // binary fraction gives 144), and an untouched percentage keeps the samples stored.
    result_.outlier_samples =
        std::clamp(percent_ * samples_ / 100, kMinOutlierSamples, kMaxOutlierSamples);
    if (percent_ == live_.outlier_samples * 100 / samples_)
        result_.outlier_samples = live_.outlier_samples;
    return std::nullopt;
}

}  // namespace vq
