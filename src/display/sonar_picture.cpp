#include "display/sonar_picture.h"

#include <algorithm>
#include <thread>

#include "display/background.h"
#include "display/grid.h"
#include "display/png_export.h"
#include "display/scan_convert.h"
#include "display/table_builders.h"
#include "display/waterfall.h"
#include "dsp/beam_data.h"

namespace vq {

SonarPicture::SonarPicture()
    : palette_(make_palette(0)), display_(kImagePixels, 0), clean_(kImagePixels, 0),
      ref_(kImagePixels, 0), change_(kImagePixels, 0), trail_(kImagePixels, 0),
      waterfall_(static_cast<std::size_t>(kWaterfallWidth) * kWaterfallHeight, 0),
      columns_(kColumnsSize, 0), persist_(kImagePixels, 0.0f), waterfall_profile_(kWaterfallWidth, 0) {
    busy_.store(true);
    rebuild_locked();
    busy_.store(false);
}

void SonarPicture::set_params(const DisplayParams& p) {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    const bool waterfall_shown = p.mode == DisplayMode::Profile && p.profile_waterfall;
    if (!waterfall_shown) {  // leaving the waterfall starts it afresh next time
        std::fill(waterfall_.begin(), waterfall_.end(), 0);
        std::fill(waterfall_profile_.begin(), waterfall_profile_.end(), 0);
    }
    params_ = p;
    palette_ = make_palette(p.colors);
    rebuild_locked();
    busy_.store(false);
}

void SonarPicture::select_colors(int index) {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    params_.colors = std::clamp(index, 0, kNumColorTables - 1);
    palette_ = make_palette(params_.colors);
    draw_grid_now();
    busy_.store(false);
}

void SonarPicture::set_grid(bool on) {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    params_.grid = on;
    draw_grid_now();
    busy_.store(false);
}

void SonarPicture::rebuild_locked() {
    build_tables(params_, tables_, display_.data());
    std::fill(columns_.begin(), columns_.end(), 0);  // rows past the beams read as 0
    centring_ = params_.mode == DisplayMode::Profile
                    ? profile_centring(params_.sector_deg, params_.tilt_deg)
                    : 0;
    std::fill(display_.begin(), display_.end(), 0);
    std::fill(clean_.begin(), clean_.end(), 0);
    draw_grid_now();
}

void SonarPicture::draw_grid_now() {
    draw_grid(params_, tables_, display_.data());
}

bool SonarPicture::enter_render() {
    rendering_.store(true);
    if (busy_.load()) {
        rendering_.store(false);
        return false;
    }
    return true;
}

void SonarPicture::update_interval(double ping_interval_ms) {
    if (ping_interval_ms > 0.0 && ping_interval_ms < 1000.0) interval_ms_ = ping_interval_ms;
}

int SonarPicture::beam_rows() const {
    return params_.head_formed ? kHeadFormedBeams : std::clamp(params_.num_beams, 1, kMaxBeams);
}

bool SonarPicture::render(const BeamByteImage& img, const FrameInputs& in) {
    if (!enter_render()) return false;
    update_interval(in.ping_interval_ms);
    if (params_.mode == DisplayMode::BeamTest) {
        draw_beam_test(tables_, img.data(), clean_.data(), display_.data());
    } else {
        transpose_beams(img.data(), beam_rows(), columns_.data());
        if (params_.persistence_s > 0 && !removal_on_) {
            const float d = persistence_decay(params_.persistence_s, interval_ms_, 0.0f);
            scan_convert_persist(tables_, columns_.data(), clean_.data(), persist_.data(),
                                 display_.data(), d);
        } else {
            scan_convert(tables_, columns_.data(), clean_.data(), display_.data());
        }
    }
    after_scan(in);
    leave_render();
    return true;
}

bool SonarPicture::render_linear(const BeamData& beams, int num_samples, const FrameInputs& in) {
    if (!enter_render()) return false;
    update_interval(in.ping_interval_ms);
    draw_linear(beams, params_.num_beams, num_samples, params_.linear_rule, display_.data());
    if (in.strip != nullptr) draw_signal_strip(*in.strip, display_.data());
    leave_render();
    return true;
}

void SonarPicture::after_scan(const FrameInputs& in) {
    const DisplayMode mode = params_.mode;
    const bool fan = mode == DisplayMode::Sector || mode == DisplayMode::Profile ||
                     mode == DisplayMode::Perspective;
    if (fan && in.overlay != nullptr) {
        draw_profile_overlay(params_, tables_, *in.overlay, display_.data(), swath_);
    }
    if (mode == DisplayMode::Profile && params_.profile_waterfall) {
        WaterfallInput w;
        w.top = params_.waterfall_offset;
        w.height = params_.waterfall_span;
        w.threshold = in.waterfall_threshold;
        if (params_.persistence_s > 0) w.persist = persist_.data();
        else w.clean = clean_.data();
        update_waterfall(w, display_.data(), waterfall_.data(), waterfall_profile_.data());
    }
    if (removal_on_ && mode == DisplayMode::Sector) {
        if (building_) {
            background_build_step(tables_, clean_.data(), ref_.data(), display_.data());
        } else {
            const float f = background_decay_factor(params_.persistence_s, interval_ms_, 0.5f);
            background_remove_step(tables_, {clean_.data(), ref_.data(), change_.data(),
                                             persist_.data(), trail_.data(), display_.data()}, f);
        }
    }
    if (in.strip != nullptr) draw_signal_strip(*in.strip, display_.data());
}

void SonarPicture::clear() {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    std::fill(display_.begin(), display_.end(), 0);
    std::fill(clean_.begin(), clean_.end(), 0);
    std::fill(waterfall_.begin(), waterfall_.end(), 0);
    std::fill(persist_.begin(), persist_.end(), 0.0f);
    std::fill(trail_.begin(), trail_.end(), 0);
    draw_grid_now();
    busy_.store(false);
}

void SonarPicture::set_background_removal(bool on) {
    const bool was_on = removal_on_.exchange(on);
    if (on && !was_on) clear();
}

void SonarPicture::build_reference() { building_.store(true); }

void SonarPicture::store_reference() { building_.store(false); }

bool SonarPicture::save_png(const std::string& path, std::string* error) const {
    return write_indexed_png(path, display_.data(), kImageWidth, kImageHeight, palette_, error);
}

bool SonarPicture::save_waterfall_png(const std::string& path, std::string* error) const {
    return write_indexed_png(path, waterfall_.data(), kWaterfallWidth, kWaterfallHeight, palette_,
                             error);
}

}  // namespace vq
