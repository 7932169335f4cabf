// The sonar picture of the main window: owns the 1012 x 542 pictures, the scan-conversion
// tables and the state of persistence, background removal, waterfall and overlay, all
// allocated once. The GUI only paints display_image() with palette().
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "display/display_params.h"
#include "display/palette.h"
#include "display/pixel_tables.h"
#include "display/profile_overlay.h"
#include "display/signal_strip.h"

namespace vq {

class BeamByteImage;
class BeamData;

// What one ping brings besides the beams.
struct FrameInputs {
    double ping_interval_ms = 0.0;          // measured interval; outside (0, 1000) keeps the last
    const OverlayInput* overlay = nullptr;  // set when profile point detection is on
    int waterfall_threshold = 64;           // palette level of the detection threshold
    const StripInput* strip = nullptr;      // set when "Signal Level" is on
};

class SonarPicture {
  public:
    SonarPicture();

    // Geometry and settings: rebuilds the tables and redraws the grid while the busy flag is
    // set. Call on every change of mode, sector, beams, range, tilt or units.
    void set_params(const DisplayParams& p);
    const DisplayParams& Params() const { return params_; }
    // The persistence time in seconds (0: off); needs no rebuild of the tables.
    void set_persistence(int seconds) { params_.persistence_s = seconds; }
    bool busy() const { return busy_.load(); }

    // Colour table 0..8; the label colour depends on it, so the grid is redrawn.
    void SelectColors(int index);
    int color_index() const { return params_.colors; }
    const Palette& palette() const { return palette_; }

    // Grid switch: redraws the grid and labels with 255 (on) or erases them with 0 (off).
    void set_grid(bool on);

    // One ping of the Sector, Perspective, Profile or Beam Test modes. Returns false (and draws
    // nothing) while the tables are being rebuilt.
    bool Render(const BeamByteImage& img, const FrameInputs& in);
    // One ping of the Linear mode.
    bool RenderLinear(const BeamData& beams, int num_samples, const FrameInputs& in);

    // Every picture to the background 0 and the persistence store to 0.0; the grid is redrawn.
    void Clear();

    // Background removal ("&Remove Background", "Build Reference", "Store Reference").
    void set_background_removal(bool on);
    void BuildReference();
    void StoreReference();
    bool background_removal() const { return removal_on_; }
    bool building_reference() const { return building_; }

    const std::uint8_t* display_image() const { return display_.data(); }
    const std::uint8_t* clean_image() const { return clean_.data(); }
    const float* persist_image() const { return persist_.data(); }
    const std::uint8_t* background_reference() const { return ref_.data(); }
    const std::uint8_t* waterfall_image() const { return waterfall_.data(); }
    const std::int32_t* waterfall_profile() const { return waterfall_profile_.data(); }
    const PixelTables& tables() const { return tables_; }
    const SwathTrace& swath() const { return swath_; }
    int profile_centring_offset() const { return centring_; }
    PicturePlacement Placement(double zoom) const { return PlacePicture(params_, zoom); }

    bool SavePng(const std::string& path, std::string* error) const;
    bool SaveWaterfallPng(const std::string& path, std::string* error) const;

  private:
    void RebuildLocked();
    void DrawGridNow();
    void AfterScan(const FrameInputs& in);
    bool EnterRender();
    void LeaveRender() { rendering_.store(false); }
    void UpdateInterval(double ping_interval_ms);
    int beam_rows() const;

    DisplayParams params_;
    Palette palette_;
    PixelTables tables_;
    std::vector<std::uint8_t> display_, clean_, ref_, change_, trail_, waterfall_, columns_;
    std::vector<float> persist_;
    std::vector<std::int32_t> waterfall_profile_;
    SwathTrace swath_;
    int centring_ = 0;
    double interval_ms_ = 100.0;           // last measured ping interval
    std::atomic<bool> removal_on_{false};  // switched from the GUI thread
    std::atomic<bool> building_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> rendering_{false};
};

}  // namespace vq
