// The track plotter without a window toolkit: the ring of GPS fixes, the jump filter, the swath
// lines, the mapping from metres to pixels, the grid and the drawing of the newest fix. It
// draws into a TrackCanvas that the window supplies; the window only shows that canvas.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "sensors/gps_parser.h"

namespace vq {

struct TrackColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const TrackColour&, const TrackColour&) = default;
};

inline constexpr TrackColour kTrackBlack{0, 0, 0};
inline constexpr TrackColour kTrackGreen{0, 180, 0};
inline constexpr TrackColour kSwathBlue{0, 0, 162};
inline constexpr TrackColour kTrackGridGrey{72, 72, 72};
inline constexpr TrackColour kTrackLabelGrey{144, 144, 144};
inline constexpr TrackColour kTrackMarkerGrey{216, 216, 216};

// The plotter window's client area. Coordinates outside it must be clipped by the canvas.
class TrackCanvas {
  public:
    virtual ~TrackCanvas() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void Fill(TrackColour colour) = 0;
    virtual void Line(int x0, int y0, int x1, int y1, TrackColour colour, int pen_width,
                      bool dotted) = 0;
    virtual void Text(int x, int y, std::string_view text, TrackColour fg, TrackColour bg) = 0;
    virtual TrackColour Pixel(int x, int y) const = 0;
    virtual void SetPixel(int x, int y, TrackColour colour) = 0;
};

// One GPS fix of the track. East values are stored negated.
struct TrackRecord {
    double north = 0.0;
    double east = 0.0;
    double port_north = 0.0;
    double port_east = 0.0;
    double stbd_north = 0.0;
    double stbd_east = 0.0;
    std::int32_t fix_value = 31;
    std::int32_t track_valid = 0;
    std::int32_t swath_valid = 0;
    std::int32_t port_extent = 0;
    std::int32_t stbd_extent = 0;
    float range_span = 0.0f;
    float speed = 0.0f;
    float course = 0.0f;
    float heading = 0.0f;
};

// A position from the GPS parser (UTM metres) with what is stored beside it.
struct TrackFix {
    double northing = 0.0;
    double easting = 0.0;
    int fix_value = 0;
    float speed = 0.0f;
    float course = 0.0f;
    float heading = 0.0f;
};

// The profile overlay's swath at the time of the fix: whether any point was drawn, the outermost
// point columns relative to the apex (-2000 and 2000 mean none) and the range span in metres.
struct SwathState {
    bool points_drawn = false;
    int port_extent = -2000;
    int stbd_extent = 2000;
    float range_span = 0.0f;
};

inline constexpr int kSwathNoPointPort = -2000;
inline constexpr int kSwathNoPointStbd = 2000;

struct TrackOptions {
    bool display_swath = false;        // "DisplaySwathCoverage"
    bool swath_across_heading = true;  // "SwathCoverageHeading" 1: heading, 0: course
    int zoom = 5;                      // "TrackPlotterZoom" 0..11
    bool profile_detection = false;    // "ProfilePointDetection"
    bool playback = false;             // "RunMode" 1
};

// Pixels per metre for a zoom step (clamped to 0..11).
double TrackScale(int zoom);
// Grid spacing in metres for a scale in pixels per metre.
int TrackGridSpacingM(double scale);

class TrackModel {
  public:
    static constexpr int kCapacity = 40000;
    static constexpr int kMarkerSize = 7;

    TrackModel();

    // The canvas of the shown plotter, or nullptr while it is hidden (nothing is drawn then).
    void set_canvas(TrackCanvas* canvas);
    void set_options(const TrackOptions& options);
    void set_swath_state(const SwathState& swath);

    // A valid GPS position (the GPS parser's thread). Stores it and draws the newest fix.
    void AddFix(const TrackFix& fix);
    // Draws the newest fix; keep = false after a zoom or repaint of the window.
    void Update(bool keep);
    // Full redraw, recentred on the current position.
    void Redraw();
    // "&Clear Track Plotter": forget the track and redraw.
    void Clear();
    // Left and right click: one zoom step in or out, recentre and redraw. Returns the new zoom.
    int ZoomIn();
    int ZoomOut();

    int zoom() const;
    int next_index() const;
    TrackRecord Record(int index) const;
    // Pixel of a world position (north, stored east) in the current view.
    std::array<int, 2> PixelOf(double north, double east_stored) const;

    // Runs `f` under the model's lock, so the window can copy its canvas while no fix is drawn.
    template <typename F>
    void WithLock(F&& f) const {
        std::lock_guard<std::mutex> lock(mutex_);
        f();
    }

  private:
    void ClearRecordsLocked();
    void RecentreLocked();
    void RedrawLocked();
    void UpdateLocked(bool keep);
    void DrawGridLocked();
    void DrawSegmentsLocked();
    void DrawStoredSwathsLocked();
    void DrawSwathLineLocked(TrackRecord& rec, int x, int y);
    void RestoreMarkerLocked();
    void DrawMarkerLocked(int x, int y);
    std::array<int, 2> PixelLocked(double north, double east_stored) const;
    int newest_index_locked() const { return next_ == 0 ? kCapacity - 1 : next_ - 1; }

    mutable std::mutex mutex_;
    std::vector<TrackRecord> records_;
    int next_ = 0;
    double p_north_ = 0.0, p_east_ = 0.0;        // current position (east negated)
    double prev_north_ = 0.0, prev_east_ = 0.0;  // previous accepted position
    double ref_north_ = 0.0, ref_east_ = 0.0;    // plot reference (the last recentring)
    double pan_x_ = 0.0, pan_y_ = 0.0;
    int jump_count_ = 0;
    bool started_ = false;        // a fix has been stored since the plot was (re)started
    bool segment_drawn_ = false;  // a segment has been drawn since the plot was (re)started
    float last_range_span_ = 0.0f;
    bool marker_valid_ = false;
    bool last_keep_ = true;
    int marker_x_ = 0, marker_y_ = 0;
    std::array<TrackColour, kMarkerSize * kMarkerSize> saved_{};
    bool saved_valid_ = false;
    TrackCanvas* canvas_ = nullptr;
    TrackOptions options_;
    SwathState swath_;
};

// Hands the GPS parser's valid positions to the track plotter, then to a further listener
// (the read-outs) when one is given.
class TrackGpsFeed final : public GpsListener {
  public:
    explicit TrackGpsFeed(TrackModel& track, GpsListener* next = nullptr)
        : track_(track), next_(next) {}
    void OnPosition(const GpsFix& fix) override {
        track_.AddFix({fix.northing, fix.easting, fix.fix_quality, fix.speed_knots, fix.course_deg,
                       fix.heading_deg});
        if (next_ != nullptr) next_->OnPosition(fix);
    }
    void OnSpeedCourse(float speed_knots, float course_deg) override {
        if (next_ != nullptr) next_->OnSpeedCourse(speed_knots, course_deg);
    }

  private:
    TrackModel& track_;
    GpsListener* next_;
};

}  // namespace vq
