#include "display/palette.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vq {

namespace {

struct Segment {
    int from_row;
    int to_row;
    NormColor from;
    NormColor to;
};

constexpr Segment kSegments[] = {
    {0, 40, {0, 0, 0}, {0, 0, 80}},
    {40, 41, {0, 0, 80}, {0, 20, 80}},
    {41, 81, {0, 20, 80}, {0, 100, 0}},
    {81, 91, {0, 100, 0}, {0, 120, 0}},
    {91, 101, {0, 120, 0}, {20, 140, 0}},
    {101, 112, {20, 140, 0}, {20, 162, 0}},
    {112, 123, {20, 162, 0}, {75, 184, 0}},
    {123, 124, {75, 184, 0}, {80, 185, 0}},
    {124, 136, {80, 185, 0}, {140, 125, 0}},
    {136, 138, {140, 125, 0}, {150, 110, 0}},
    {138, 142, {150, 110, 0}, {160, 100, 0}},
    {142, 158, {160, 100, 0}, {200, 100, 0}},
    {158, 164, {200, 100, 0}, {215, 115, 0}},
    {164, 166, {215, 115, 0}, {210, 120, 0}},
    {166, 178, {210, 120, 0}, {150, 150, 0}},
    {178, 197, {150, 150, 0}, {198, 198, 0}},
    {197, 198, {198, 198, 0}, {200, 200, 50}},
    {198, 216, {200, 200, 50}, {245, 245, 140}},
    {216, 217, {245, 245, 140}, {180, 180, 180}},
    {217, 235, {180, 180, 180}, {216, 216, 216}},
    {235, 236, {216, 216, 216}, {160, 0, 0}},
    {236, 254, {160, 0, 0}, {160, 0, 0}},
};

// start + (end - start) * k / n, rounded half up.
int LerpRound(int start, int end, int k, int n) {
    return static_cast<int>(std::floor(start + static_cast<double>(end - start) * k / n + 0.5));
}

std::array<NormColor, 256> BuildNormTable() {
    std::array<NormColor, 256> t{};
    for (const Segment& s : kSegments) {
        const int n = s.to_row - s.from_row;
        for (int k = 0; k <= n; ++k) {
            t[static_cast<std::size_t>(s.from_row + k)] = {LerpRound(s.from.r, s.to.r, k, n),
                                                           LerpRound(s.from.g, s.to.g, k, n),
                                                           LerpRound(s.from.b, s.to.b, k, n)};
        }
    }
    t[255] = {100, 0, 0};
    return t;
}

std::uint8_t ClampByte(double v) {
    const int i = static_cast<int>(v);  // truncation toward zero
    return static_cast<std::uint8_t>(std::clamp(i, 0, 255));
}

Rgb Entry(int index, int i, const NormColor& n) {
    const double a = i * 0.5 * std::numbers::pi / 255.0;
    const double s = 255.0 * std::sin(a);
    const double c = 255.0 - 255.0 * std::cos(a);
    switch (index) {
        case 1:
            return {ClampByte(n.r), ClampByte(n.g), ClampByte(n.b)};
        case 2:
            return {0, ClampByte(i), 0};
        case 3:
            return {ClampByte(i), ClampByte(i), ClampByte(i)};
        case 4:
            return {ClampByte(255 - i), ClampByte(255 - i), ClampByte(255 - i)};
        case 5:
            return {ClampByte(s), ClampByte(c), 0};
        case 6:
            return {0, ClampByte(s), ClampByte(c)};
        case 7:
            return {ClampByte(c), ClampByte(s), 0};
        case 8:
            return {0, ClampByte(c), ClampByte(s)};
        default:
            return {ClampByte(1.5 * n.r), ClampByte(1.5 * n.g), ClampByte(1.5 * n.b)};
    }
}

}  // namespace

const std::array<NormColor, 256>& NormTable() {
    static const std::array<NormColor, 256> table = BuildNormTable();
    return table;
}

const char* ColorTableName(int index) {
    static constexpr const char* kNames[kNumColorTables] = {
        "Norm &Hi",      "Norm &Lo",    "Gr&een",        "&Grey", "&Rev Grey",
        "&Brown/Yellow", "Green/Bl&ue", "Green/&Yellow", "Blu&e"};
    if (index < 0 || index >= kNumColorTables) return "";
    return kNames[index];
}

Palette MakePalette(int index) {
    if (index < 0 || index >= kNumColorTables) index = 0;
    const auto& n = NormTable();
    Palette p{};
    for (int i = 0; i < 255; ++i)
        p[static_cast<std::size_t>(i)] = Entry(index, i, n[static_cast<std::size_t>(i)]);
    p[255] = {100, 0, 0};
    return p;
}

}  // namespace vq

namespace vq {

std::array<std::uint32_t, 256> PaletteWords(const Palette& p) {
    std::array<std::uint32_t, 256> w{};
    for (std::size_t i = 0; i < 256; ++i) {
        w[i] = (static_cast<std::uint32_t>(p[i].r) << 16) |
               (static_cast<std::uint32_t>(p[i].g) << 8) | p[i].b;
    }
    return w;
}

}  // namespace vq
