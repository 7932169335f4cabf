// Scrolling strip histories as ring images, their resampling, colours and the angle marker.
#include "windows/strip_history.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vq {

float ResampleRatio(int n, int length) {
    return length > 0 ? static_cast<float>(n) / static_cast<float>(length) : 0.0f;
}

void ResampleLine(const std::uint8_t* source, int n, int length, std::uint8_t* out) {
    if (length <= 0) return;
    if (n <= 0 || source == nullptr) {
        std::memset(out, 0, static_cast<std::size_t>(length));
        return;
    }
    const float rho = ResampleRatio(n, length);
    if (rho < 1.0f) {
        for (int x = 0; x < length; ++x) {
            const int j = std::min(static_cast<int>(static_cast<float>(x) * rho), n - 1);
            out[x] = std::min(source[j], kStripMaxValue);
        }
        return;
    }
    int j = 0;
    for (int x = 0; x < length; ++x) {
        if (j >= n) {  // the source is used up: the rest of the line stays dark
            std::memset(out + x, 0, static_cast<std::size_t>(length - x));
            return;
        }
        const float limit = static_cast<float>(x + 1) * rho;
        std::uint8_t m = source[j++];
        while (j < n && static_cast<float>(j) < limit) m = std::max(m, source[j++]);
        out[x] = std::min(m, kStripMaxValue);
    }
}

ClientSize ClampStripClient(int width, int height) {
    return {std::max(width, kMinStripClient), std::max(height, kMinStripClient)};
}

void StripHistory::Resize(int client_width, int client_height) {
    const ClientSize c = ClampStripClient(client_width, client_height);
    width_ = (c.width + 1) & ~3;
    height_ = c.height + 1;
    image_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
    head_ = kind_ == StripKind::kEchoSounder ? width_ - 1 : 0;
    pings_since_create_ = 0;
    drawn_ = 0;
}

void StripHistory::Release() {
    image_.clear();
    image_.shrink_to_fit();
    width_ = height_ = 0;
    pings_since_create_ = 0;
    drawn_ = 0;
}

void StripHistory::Clear() {
    std::fill(image_.begin(), image_.end(), 0);
    head_ = kind_ == StripKind::kEchoSounder ? width_ - 1 : 0;
}

int StripHistory::line_length() const {
    return kind_ == StripKind::kEchoSounder ? std::min(height_, kMaxStripLine)
                                            : std::min(width_, kMaxStripLine);
}

bool StripHistory::Push(const std::uint8_t* line, int n) {
    if (!ready()) return false;
    if (pings_since_create_ < kSidescanFirstPing) ++pings_since_create_;
    if (kind_ == StripKind::kSidescan && pings_since_create_ < kSidescanFirstPing) return false;
    const int length = line_length();
    ratio_ = ResampleRatio(n, length);
    ResampleLine(line, n, length, line_.data());
    if (kind_ == StripKind::kEchoSounder) {
        head_ = head_ + 1 == width_ ? 0 : head_ + 1;
        std::uint8_t* p = image_.data() + head_;
        for (int y = 0; y < length; ++y) p[static_cast<std::size_t>(y) * width_] = line_[y];
    } else {
        head_ = head_ == 0 ? height_ - 1 : head_ - 1;
        std::uint8_t* row = image_.data() + static_cast<std::size_t>(head_) * width_;
        std::memcpy(row, line_.data(), static_cast<std::size_t>(length));
        if (length < width_)
            std::memset(row + length, 0, static_cast<std::size_t>(width_ - length));
    }
    ++drawn_;
    return true;
}

std::array<StripPiece, 2> StripHistory::Pieces() const {
    std::array<StripPiece, 2> p{};
    if (!ready()) return p;
    if (kind_ == StripKind::kEchoSounder) {
        const int oldest = head_ + 1;  // ring column shown at the left edge
        p[0] = {oldest, 0, width_ - oldest, height_, 0, 0};
        p[1] = {0, 0, oldest, height_, width_ - oldest, 0};
    } else {
        p[0] = {0, head_, width_, height_ - head_, 0, 0};
        p[1] = {0, 0, width_, head_, 0, height_ - head_};
    }
    return p;
}

std::uint8_t StripHistory::DisplayedPixel(int x, int y) const {
    if (!ready() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    int rx = x;
    int ry = y;
    if (kind_ == StripKind::kEchoSounder) {
        rx = (head_ + 1 + x) % width_;
    } else {
        ry = (head_ + y) % height_;
    }
    return image_[static_cast<std::size_t>(ry) * width_ + rx];
}

std::array<std::uint32_t, 256> BrightenedColourTable(const std::array<std::uint32_t, 256>& table) {
    std::array<std::uint32_t, 256> out{};
    for (int i = 0; i < 255; ++i) {
        std::uint32_t v = 0;
        for (int shift : {16, 8, 0}) {
            const auto c = static_cast<float>((table[i] >> shift) & 0xFFu);
            v |= static_cast<std::uint32_t>(std::min(static_cast<int>(c * 1.5f), 255)) << shift;
        }
        out[i] = v;
    }
    out[255] = table[255] & 0xFFFFFFu;
    return out;
}

SidescanMarker SidescanMarkerLines(int client_width, int client_height, float angle_deg, bool port,
                                   bool starboard) {
    SidescanMarker m;
    if (!port && !starboard) return m;
    int x0 = client_width / 2;
    if (port && !starboard) x0 = client_width - 5;
    if (starboard && !port) x0 = 5;
    const double w = client_width;
    const double h = client_height;
    const double len = 0.075 * std::sqrt(w * w + h * h);
    const double k = std::numbers::pi / 180.0;
    for (int side = 0; side < 2; ++side) {
        if ((side == 0 && !port) || (side == 1 && !starboard)) continue;
        const double dir = side == 0 ? -1.0 : 1.0;  // port to the left, starboard to the right
        for (double a : {angle_deg - 15.0, angle_deg + 15.0}) {
            MarkerLine& l = m.lines[static_cast<std::size_t>(m.count++)];
            l.x0 = x0;
            l.y0 = 0;
            l.x1 = x0 + static_cast<int>(std::lround(dir * len * std::cos(a * k)));
            l.y1 = static_cast<int>(std::lround(len * std::sin(a * k)));
        }
    }
    return m;
}

}  // namespace vq
