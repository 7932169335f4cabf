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
    : palette_(MakePalette(0)),
      display_(kImagePixels, 0),
      clean_(kImagePixels, 0),
      ref_(kImagePixels, 0),
      change_(kImagePixels, 0),
      trail_(kImagePixels, 0),
      waterfall_(static_cast<std::size_t>(kWaterfallWidth) * kWaterfallHeight, 0),
      columns_(kColumnsSize, 0),
      persist_(kImagePixels, 0.0f),
      waterfall_profile_(kWaterfallWidth, 0) {
    busy_.store(true);
    RebuildLocked();
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
    palette_ = MakePalette(p.colors);
    RebuildLocked();
    busy_.store(false);
}

void SonarPicture::SelectColors(int index) {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    params_.colors = std::clamp(index, 0, kNumColorTables - 1);
    palette_ = MakePalette(params_.colors);
    DrawGridNow();
    busy_.store(false);
}

void SonarPicture::set_grid(bool on) {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    params_.grid = on;
    DrawGridNow();
    busy_.store(false);
}

void SonarPicture::RebuildLocked() {
    BuildTables(params_, tables_, display_.data());
    std::fill(columns_.begin(), columns_.end(), 0);  // rows past the beams read as 0
    centring_ = params_.mode == DisplayMode::Profile
                    ? ProfileCentring(params_.sector_deg, params_.tilt_deg)
                    : 0;
    std::fill(display_.begin(), display_.end(), 0);
    std::fill(clean_.begin(), clean_.end(), 0);
    DrawGridNow();
}

void SonarPicture::DrawGridNow() {
    DrawGrid(params_, tables_, display_.data());
}

bool SonarPicture::EnterRender() {
    rendering_.store(true);
    if (busy_.load()) {
        rendering_.store(false);
        return false;
    }
    return true;
}

void SonarPicture::UpdateInterval(double ping_interval_ms) {
    if (ping_interval_ms > 0.0 && ping_interval_ms < 1000.0) interval_ms_ = ping_interval_ms;
}

int SonarPicture::beam_rows() const {
    return params_.head_formed ? kHeadFormedBeams : std::clamp(params_.num_beams, 1, kMaxBeams);
}

bool SonarPicture::Render(const BeamByteImage& img, const FrameInputs& in) {
    if (!EnterRender()) return false;
    UpdateInterval(in.ping_interval_ms);
    if (params_.mode == DisplayMode::BeamTest) {
        DrawBeamTest(tables_, img.data(), clean_.data(), display_.data());
    } else {
        TransposeBeams(img.data(), beam_rows(), columns_.data());
        if (params_.persistence_s > 0 && !removal_on_) {
            const float d = PersistenceDecay(params_.persistence_s, interval_ms_, 0.0f);
            ScanConvertPersist(tables_, columns_.data(), clean_.data(), persist_.data(),
                               display_.data(), d);
        } else {
            ScanConvert(tables_, columns_.data(), clean_.data(), display_.data());
        }
    }
    AfterScan(in);
    LeaveRender();
    return true;
}

bool SonarPicture::RenderLinear(const BeamData& beams, int num_samples, const FrameInputs& in) {
    if (!EnterRender()) return false;
    UpdateInterval(in.ping_interval_ms);
    DrawLinear(beams, params_.num_beams, num_samples, params_.linear_rule, display_.data());
    if (in.strip != nullptr) DrawSignalStrip(*in.strip, display_.data());
    LeaveRender();
    return true;
}

void SonarPicture::AfterScan(const FrameInputs& in) {
    const DisplayMode mode = params_.mode;
    const bool fan = mode == DisplayMode::Sector || mode == DisplayMode::Profile ||
                     mode == DisplayMode::Perspective;
    if (fan && in.overlay != nullptr) {
        DrawProfileOverlay(params_, tables_, *in.overlay, display_.data(), swath_);
    }
    if (mode == DisplayMode::Profile && params_.profile_waterfall) {
        WaterfallInput w;
        w.top = params_.waterfall_offset;
        w.height = params_.waterfall_span;
        w.threshold = in.waterfall_threshold;
        if (params_.persistence_s > 0)
            w.persist = persist_.data();
        else
            w.clean = clean_.data();
        UpdateWaterfall(w, display_.data(), waterfall_.data(), waterfall_profile_.data());
    }
    if (removal_on_ && mode == DisplayMode::Sector) {
        if (building_) {
            BackgroundBuildStep(tables_, clean_.data(), ref_.data(), display_.data());
        } else {
            const float f = BackgroundDecayFactor(params_.persistence_s, interval_ms_, 0.5f);
            BackgroundRemoveStep(tables_,
                                 {clean_.data(), ref_.data(), change_.data(), persist_.data(),
                                  trail_.data(), display_.data()},
                                 f);
        }
    }
    if (in.strip != nullptr) DrawSignalStrip(*in.strip, display_.data());
}

void SonarPicture::Clear() {
    busy_.store(true);
    while (rendering_.load()) std::this_thread::yield();
    std::fill(display_.begin(), display_.end(), 0);
    std::fill(clean_.begin(), clean_.end(), 0);
    std::fill(waterfall_.begin(), waterfall_.end(), 0);
    std::fill(persist_.begin(), persist_.end(), 0.0f);
    std::fill(trail_.begin(), trail_.end(), 0);
    DrawGridNow();
    busy_.store(false);
}

void SonarPicture::set_background_removal(bool on) {
    const bool was_on = removal_on_.exchange(on);
    if (on && !was_on) Clear();
}

void SonarPicture::BuildReference() {
    building_.store(true);
}

void SonarPicture::StoreReference() {
    building_.store(false);
}

bool SonarPicture::SavePng(const std::string& path, std::string* error) const {
    return WriteIndexedPng(path, display_.data(), kImageWidth, kImageHeight, palette_, error);
}

bool SonarPicture::SaveWaterfallPng(const std::string& path, std::string* error) const {
    return WriteIndexedPng(path, waterfall_.data(), kWaterfallWidth, kWaterfallHeight, palette_,
                           error);
}

}  // namespace vq
