// The scrolling history of the "Sidescan", "Echo Sounder" and "Intensity" windows: one line per
// ping resampled to the window and written as one row (or column) into a ring image, so a ping
// never moves the older pixels; the window draws the ring in two pieces.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vq {

enum class StripKind : std::uint8_t {
    kSidescan,     // new row at the top, older rows move down; from the 5th ping on
    kEchoSounder,  // new column at the right edge, older columns move left
    kIntensity,    // new row at the top
};

inline constexpr int kMinStripClient = 30;           // a client area is never smaller
inline constexpr int kMaxStripLine = 2000;           // longest line buffer of a window
inline constexpr int kSidescanFirstPing = 5;         // the sidescan draws from this ping on
inline constexpr std::uint8_t kStripMaxValue = 254;  // 255 is the overlay index

// Resamples n source values into `length` pixels with rho = n / length: below 1 each pixel
// repeats source[trunc(x * rho)]; from 1 up each pixel takes the largest value of its group of
// source indexes (those below (x + 1) * rho not used by earlier pixels, at least one), and once
// the source is used up the remaining pixels are 0. Pixels are limited to 254.
void ResampleLine(const std::uint8_t* source, int n, int length, std::uint8_t* out);

// The resampling ratio of a line of n values over `length` pixels, in single precision.
float ResampleRatio(int n, int length);

// A client size kept at 30 x 30 pixels or more.
struct ClientSize {
    int width = 0;
    int height = 0;
};
ClientSize ClampStripClient(int width, int height);

// A rectangle of the ring image and where it goes in the window.
struct StripPiece {
    int src_x = 0, src_y = 0, width = 0, height = 0;
    int dst_x = 0, dst_y = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

class StripHistory {
  public:
    explicit StripHistory(StripKind kind) : kind_(kind) {}

    // (Re)creates the bitmap for a client area (enlarged to 30 x 30): W = client width + 1
    // rounded down to a multiple of 4, H = client height + 1; zero-filled, the history is lost.
    void Resize(int client_width, int client_height);
    // The window was closed: the bitmap is freed until the next Resize.
    void Release();
    // Clears the history, keeping the size (a new recording is played).
    void Clear();

    // One ping's line. Returns false when nothing was drawn (no bitmap, or a sidescan ping
    // before the 5th since the bitmap was created).
    bool Push(const std::uint8_t* line, int n);

    StripKind kind() const { return kind_; }
    bool ready() const { return !image_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Pixels per line: W for the sidescan and intensity windows, H (at most 2000) for the
    // echo sounder.
    int line_length() const;
    float last_ratio() const { return ratio_; }
    // Pings drawn since the bitmap was created.
    std::uint64_t lines_drawn() const { return drawn_; }
    // The ring image, W x H bytes, row-major. Only the GUI thread touches it.
    const std::uint8_t* pixels() const { return image_.data(); }
    // The ring row (echo sounder: column) the last line went to.
    int head() const { return head_; }
    // The two pieces that show the ring in display order (newest row on top or newest column
    // at the right edge).
    std::array<StripPiece, 2> Pieces() const;
    // The pixel the window shows at (x, y).
    std::uint8_t DisplayedPixel(int x, int y) const;

  private:
    StripKind kind_;
    std::vector<std::uint8_t> image_;
    std::array<std::uint8_t, kMaxStripLine> line_{};
    int width_ = 0;
    int height_ = 0;
    int head_ = 0;  // ring row (or column) of the newest line
    int pings_since_create_ = 0;
    std::uint64_t drawn_ = 0;
    float ratio_ = 0.0f;
};

// The colour table of the strip windows: the program's table (0xRRGGBB words) brightened by
// 1.5 with every channel limited to 255; entry 255 as it is.
std::array<std::uint32_t, 256> BrightenedColourTable(const std::array<std::uint32_t, 256>& table);

// The sidescan angle marker: from the sonar's place on the top edge (the centre, or 5 pixels
// from the right edge when only the port side is formed, from the left when only starboard is),
// a wedge from the angle - 15 to the angle + 15 degrees below the horizontal towards each side
// formed, each line 0.075 x the client diagonal long.
struct MarkerLine {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
struct SidescanMarker {
    int count = 0;
    std::array<MarkerLine, 4> lines{};
};
SidescanMarker SidescanMarkerLines(int client_width, int client_height, float angle_deg, bool port,
                                   bool starboard);
inline constexpr std::uint32_t kSidescanMarkerGrey = 0x484848;  // red, green, blue 72

}  // namespace vq
