#include "windows/track_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vq {

namespace {

constexpr std::array<double, 12> kScales = {0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 1, 2, 3, 4, 5, 10};
constexpr double kRestartDistance = 5000.0;  // metres: a larger jump starts a new plot
constexpr double kJumpDistance = 25.0;       // metres: a larger step is held as a jump
constexpr int kJumpsHeldLive = 5;
constexpr int kJumpsHeldPlayback = 10;
constexpr int kEdgeMargin = 10;  // pixels: closer to the edge recentres the plot
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

bool HasNoPoint(const SwathState& s) {
    return s.port_extent == kSwathNoPointPort || s.port_extent == kSwathNoPointStbd ||
           s.stbd_extent == kSwathNoPointPort || s.stbd_extent == kSwathNoPointStbd;
}

}  // namespace

double TrackScale(int zoom) {
    return kScales[static_cast<std::size_t>(std::clamp(zoom, 0, 11))];
}

int TrackGridSpacingM(double scale) {
    int d = scale >= 4.0 ? 10 : 20;
    if (scale < 1.5) d = 50;
    if (scale < 1.0) d = 100;
    if (scale < 0.5) d = 200;
    if (scale < 0.1) d = 500;
    return d;
}

TrackModel::TrackModel() : records_(kCapacity) {}

void TrackModel::set_canvas(TrackCanvas* canvas) {
    std::lock_guard<std::mutex> lock(mutex_);
    canvas_ = canvas;
    marker_valid_ = false;
    saved_valid_ = false;
}

void TrackModel::set_options(const TrackOptions& options) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = options;
    options_.zoom = std::clamp(options.zoom, 0, 11);
}

void TrackModel::set_swath_state(const SwathState& swath) {
    std::lock_guard<std::mutex> lock(mutex_);
    swath_ = swath;
}

int TrackModel::zoom() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return options_.zoom;
}

int TrackModel::next_index() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return next_;
}

TrackRecord TrackModel::Record(int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_[static_cast<std::size_t>(std::clamp(index, 0, kCapacity - 1))];
}

std::array<int, 2> TrackModel::PixelOf(double north, double east_stored) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return PixelLocked(north, east_stored);
}

std::array<int, 2> TrackModel::PixelLocked(double north, double east_stored) const {
    double s = TrackScale(options_.zoom);
    double cx = canvas_ ? canvas_->width() / 2 : 0;
    double cy = canvas_ ? canvas_->height() / 2 : 0;
    return {static_cast<int>(cx + (ref_east_ - east_stored) * s + pan_x_),
            static_cast<int>(cy + (ref_north_ - north) * s + pan_y_)};
}

void TrackModel::ClearRecordsLocked() {
    std::fill(records_.begin(), records_.end(), TrackRecord{});
    started_ = false;
    segment_drawn_ = false;
    jump_count_ = 0;
}

void TrackModel::RecentreLocked() {
    ref_north_ = p_north_;
    ref_east_ = p_east_;
    pan_x_ = 0.0;
    pan_y_ = 0.0;
    saved_valid_ = false;
}

void TrackModel::AddFix(const TrackFix& fix) {
    std::lock_guard<std::mutex> lock(mutex_);
    p_north_ = fix.northing;
    p_east_ = -fix.easting;
    double dn = p_north_ - prev_north_;
    double de = p_east_ - prev_east_;
    if (std::fabs(std::trunc(dn)) > kRestartDistance ||
        std::fabs(std::trunc(de)) > kRestartDistance) {
        ClearRecordsLocked();
        RecentreLocked();
        if (canvas_ != nullptr) RedrawLocked();
    } else {
        if (!started_) {
            // No line may join old data to the first fix of a new plot.
            records_[static_cast<std::size_t>((next_ + kCapacity - 1) % kCapacity)] = TrackRecord{};
            records_[static_cast<std::size_t>((next_ + kCapacity - 2) % kCapacity)] = TrackRecord{};
        }
        if (std::fabs(std::trunc(dn)) > kJumpDistance ||
            std::fabs(std::trunc(de)) > kJumpDistance) {
            int limit = options_.playback ? kJumpsHeldPlayback : kJumpsHeldLive;
            if (++jump_count_ > limit) {
                jump_count_ = 0;  // the receiver insists: accept the new position
            } else {
                p_north_ = prev_north_;
                p_east_ = prev_east_;
            }
        } else {
            jump_count_ = 0;  // only consecutive jumps count
        }
        TrackRecord& rec = records_[static_cast<std::size_t>(next_)];
        rec = TrackRecord{};
        rec.north = p_north_;
        rec.east = p_east_;
        rec.fix_value = fix.fix_value;
        rec.track_valid = 1;
        rec.swath_valid = swath_.points_drawn ? 1 : 0;
        if (swath_.range_span != last_range_span_ || HasNoPoint(swath_)) rec.swath_valid = 0;
        last_range_span_ = swath_.range_span;
        rec.port_extent = swath_.port_extent;
        rec.stbd_extent = swath_.stbd_extent;
        rec.range_span = swath_.range_span;
        rec.speed = fix.speed;
        rec.course = fix.course;
        rec.heading = fix.heading;
        started_ = true;
    }
    next_ = (next_ + 1) % kCapacity;
    prev_north_ = p_north_;
    prev_east_ = p_east_;
    UpdateLocked(true);
}

void TrackModel::Update(bool keep) {
    std::lock_guard<std::mutex> lock(mutex_);
    UpdateLocked(keep);
}

void TrackModel::UpdateLocked(bool keep) {
    if (canvas_ == nullptr) {
        last_keep_ = keep;
        return;
    }
    // After a zoom or repaint the old marker position no longer joins the new fix.
    bool join = keep && last_keep_ && marker_valid_;
    last_keep_ = keep;
    auto [x, y] = PixelLocked(p_north_, p_east_);
    int w = canvas_->width();
    int h = canvas_->height();
    if (x < kEdgeMargin || y < kEdgeMargin || x >= w - kEdgeMargin || y >= h - kEdgeMargin) {
        RecentreLocked();
        RedrawLocked();
        return;
    }
    if (marker_valid_) {
        TrackRecord& rec = records_[static_cast<std::size_t>(newest_index_locked())];
        if (join && options_.display_swath) {
            DrawSwathLineLocked(rec, x, y);
            DrawSegmentsLocked();
        }
        RestoreMarkerLocked();
        if (join && rec.track_valid == 1 && segment_drawn_)
            canvas_->Line(marker_x_, marker_y_, x, y, kTrackGreen, 3, false);
        if (join) segment_drawn_ = true;
    }
    DrawMarkerLocked(x, y);
}

void TrackModel::DrawSwathLineLocked(TrackRecord& rec, int x, int y) {
    if (!options_.profile_detection || rec.track_valid != 1 || rec.swath_valid != 1 ||
        !segment_drawn_)
        return;
    double s = TrackScale(options_.zoom);
    double h = (options_.swath_across_heading ? rec.heading : rec.course) * kDegToRad;
    double c = std::cos(h);
    double sn = std::sin(h);
    int lp = static_cast<int>(rec.port_extent * rec.range_span * 0.002 * s);
    int ls = static_cast<int>(rec.stbd_extent * rec.range_span * 0.002 * s);
    int ax = static_cast<int>(x + lp * c + 0.5);
    int ay = static_cast<int>(y + lp * sn + 0.5);
    // The starboard extent is a positive column offset: its end lies on the other side of the
    // track from the port end (port extents are negative).
    int bx = static_cast<int>(x + ls * c + 0.5);
    int by = static_cast<int>(y + ls * sn + 0.5);
    canvas_->Line(ax, ay, bx, by, kSwathBlue, 1, false);
    rec.port_east = rec.east - (ax - x) / s;
    rec.port_north = rec.north - (ay - y) / s;
    rec.stbd_east = rec.east - (bx - x) / s;
    rec.stbd_north = rec.north - (by - y) / s;
}

void TrackModel::RestoreMarkerLocked() {
    if (!saved_valid_) return;
    int half = kMarkerSize / 2;
    for (int j = 0; j < kMarkerSize; ++j)
        for (int i = 0; i < kMarkerSize; ++i)
            canvas_->SetPixel(marker_x_ - half + i, marker_y_ - half + j,
                              saved_[static_cast<std::size_t>(j * kMarkerSize + i)]);
    saved_valid_ = false;
}

void TrackModel::DrawMarkerLocked(int x, int y) {
    int half = kMarkerSize / 2;
    for (int j = 0; j < kMarkerSize; ++j) {
        for (int i = 0; i < kMarkerSize; ++i) {
            saved_[static_cast<std::size_t>(j * kMarkerSize + i)] =
                canvas_->Pixel(x - half + i, y - half + j);
            canvas_->SetPixel(x - half + i, y - half + j, kTrackMarkerGrey);
        }
    }
    saved_valid_ = true;
    marker_x_ = x;
    marker_y_ = y;
    marker_valid_ = true;
}

void TrackModel::Redraw() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (canvas_ != nullptr) RedrawLocked();
}

void TrackModel::RedrawLocked() {
    canvas_->Fill(kTrackBlack);
    RecentreLocked();
    if (options_.display_swath && options_.profile_detection) DrawStoredSwathsLocked();
    DrawGridLocked();
    DrawSegmentsLocked();
    auto [x, y] = PixelLocked(p_north_, p_east_);
    DrawMarkerLocked(x, y);
}

void TrackModel::DrawStoredSwathsLocked() {
    for (int k = 0; k < kCapacity; ++k) {
        const TrackRecord& r = records_[static_cast<std::size_t>((next_ + k) % kCapacity)];
        if (r.swath_valid != 1 || r.port_north == 0.0 || r.port_east == 0.0 ||
            r.stbd_north == 0.0 || r.stbd_east == 0.0)
            continue;
        auto a = PixelLocked(r.port_north, r.port_east);
        auto b = PixelLocked(r.stbd_north, r.stbd_east);
        if (a == b) continue;
        canvas_->Line(a[0], a[1], b[0], b[1], kSwathBlue, 1, false);
    }
}

void TrackModel::DrawSegmentsLocked() {
    for (int k = 0; k < kCapacity - 1; ++k) {
        const TrackRecord& r0 = records_[static_cast<std::size_t>((next_ + k) % kCapacity)];
        const TrackRecord& r1 = records_[static_cast<std::size_t>((next_ + k + 1) % kCapacity)];
        if (r0.north == 0.0 || r0.east == 0.0 || r1.north == 0.0 || r1.east == 0.0) continue;
        auto a = PixelLocked(r0.north, r0.east);
        auto b = PixelLocked(r1.north, r1.east);
        if (a == b) continue;
        canvas_->Line(a[0], a[1], b[0], b[1], kTrackGreen, 3, false);
    }
}

void TrackModel::DrawGridLocked() {
    double s = TrackScale(options_.zoom);
    int d = TrackGridSpacingM(s);
    double step = d * s;
    int w = canvas_->width();
    int h = canvas_->height();
    int cx = w / 2;
    int cy = h / 2;
    for (int k = 0;; ++k) {
        int off = static_cast<int>(k * step);
        bool any = false;
        for (int x : {cx + off, cx - off}) {
            if (x < 1 || x > w - 2) continue;
            canvas_->Line(x, 1, x, h - 2, kTrackGridGrey, 1, true);
            any = true;
        }
        for (int y : {cy + off, cy - off}) {
            if (y < 1 || y > h - 2) continue;
            canvas_->Line(1, y, w - 2, y, kTrackGridGrey, 1, true);
            any = true;
        }
        if (!any) break;
    }
    char label[24];
    std::snprintf(label, sizeof label, "%d M/DIV", d);
    canvas_->Text(2, 2, label, kTrackLabelGrey, kTrackBlack);
}

void TrackModel::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    ClearRecordsLocked();
    if (canvas_ != nullptr) RedrawLocked();
}

int TrackModel::ZoomIn() {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.zoom = std::min(options_.zoom + 1, 11);
    if (canvas_ != nullptr) RedrawLocked();
    return options_.zoom;
}

int TrackModel::ZoomOut() {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.zoom = std::max(options_.zoom - 1, 0);
    if (canvas_ != nullptr) RedrawLocked();
    return options_.zoom;
}

}  // namespace vq
