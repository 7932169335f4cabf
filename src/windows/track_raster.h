// The track plotter's client area as pixels in memory (0xRRGGBB), so the plot can be drawn on
// the GPS reader's thread under the model's lock without any window toolkit; the window copies
// it while holding the same lock and writes the grid label over it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "windows/track_model.h"

namespace vq {

class TrackRaster final : public TrackCanvas {
  public:
    static constexpr int kMaxLabels = 4;
    static constexpr int kMaxLabelLength = 31;

    struct Label {
        int x = 0, y = 0;
        std::array<char, kMaxLabelLength + 1> text{};
        TrackColour fg, bg;
    };

    // Allocates the pixels for a client area (black). Call under the model's lock.
    void Resize(int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void Fill(TrackColour colour) override;
    void Line(int x0, int y0, int x1, int y1, TrackColour colour, int pen_width,
              bool dotted) override;
    void Text(int x, int y, std::string_view text, TrackColour fg, TrackColour bg) override;
    TrackColour Pixel(int x, int y) const override;
    void SetPixel(int x, int y, TrackColour colour) override;

    const std::uint32_t* pixels() const { return pixels_.data(); }
    int label_count() const { return label_count_; }
    const Label& label(int i) const { return labels_[static_cast<std::size_t>(i)]; }
    // Grows with every drawing call, so the window repaints only after a change.
    std::uint64_t version() const { return version_; }

  private:
    void Plot(int x, int y, std::uint32_t rgb, int pen_width);

    std::vector<std::uint32_t> pixels_;
    int width_ = 0;
    int height_ = 0;
    std::array<Label, kMaxLabels> labels_{};
    int label_count_ = 0;
    std::uint64_t version_ = 0;
};

inline std::uint32_t PackColour(TrackColour c) {
    return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

}  // namespace vq
