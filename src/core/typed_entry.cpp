#include "core/typed_entry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/range_table.h"

namespace vq {
namespace {

constexpr const char* kRangeListHead = "Please use one of the following ranges:\n ";
constexpr const char* kMetersWord = " Meters    ";
constexpr const char* kYardsWord = " Yards    ";

constexpr std::array<TypedRange, 13> kFineMetres{{{0.5, 2},
                                                  {1, 3},
                                                  {2, 4},
                                                  {3, 5},
                                                  {4, 6},
                                                  {5, 7},
                                                  {6, 8},
                                                  {8, 9},
                                                  {10, 10},
                                                  {15, 11},
                                                  {20, 12},
                                                  {25, 13},
                                                  {30, 14}}};
// Feet on a fine-resolution head: the metre values times three, as the range names are.
constexpr std::array<TypedRange, 13> kFineFeet{{{1.5, 2},
                                                {3, 3},
                                                {6, 4},
                                                {9, 5},
                                                {12, 6},
                                                {15, 7},
                                                {18, 8},
                                                {24, 9},
                                                {30, 10},
                                                {45, 11},
                                                {60, 12},
                                                {75, 13},
                                                {90, 14}}};
constexpr std::array<TypedRange, 18> kMetres{{{1, 0},
                                              {2, 0},
                                              {3, 1},
                                              {5, 2},
                                              {10, 3},
                                              {20, 4},
                                              {30, 5},
                                              {40, 6},
                                              {50, 7},
                                              {60, 8},
                                              {80, 9},
                                              {100, 10},
                                              {150, 11},
                                              {200, 12},
                                              {250, 13},
                                              {300, 14},
                                              {400, 15},
                                              {500, 16}}};
constexpr std::array<TypedRange, 18> kFeet{{{4, 0},
                                            {5, 0},
                                            {9, 1},
                                            {15, 2},
                                            {30, 3},
                                            {60, 4},
                                            {90, 5},
                                            {120, 6},
                                            {150, 7},
                                            {180, 8},
                                            {240, 9},
                                            {300, 10},
                                            {450, 11},
                                            {600, 12},
                                            {750, 13},
                                            {900, 14},
                                            {1200, 15},
                                            {1500, 16}}};

struct ListedMessage {
    int max_index;
    const char* metres;  // followed by the unit word
    const char* feet;    // carries its own unit
};

constexpr ListedMessage kListed[] = {
    {3, "5 or 10", "15 or 30 Feet"},
    {8, "5, 10, 20, 30, 40, 50 or 60", "15, 30, 60, 90, 120, 150 or 180 Feet"},
    {10, "5, 10, 20, 30, 40, 50, 60, 80 or 100", "15, 30, 60, 90, 120, 150, 180, 240 or 300 Feet"},
    {11, "5, 10, 20, 30, 40, 50, 60, 80, 100 or 150",
     "15, 30, 60, 90, 120, 150, 180, 240, 300 or 450 Feet"},
    {12, "5, 10, 20, 30, 40, 50, 60, 80, 100, 150, or 200",
     "15, 30, 60, 90, 120, 150, 180, 240, 300, 450, or 600 Feet"},
    {13, "5, 10, 20, 30, 40, 50, 60, 80, 100, 150, 200 or 250",
     "15, 30, 60, 90, 120, 150, 180, 240, 300, 450, 600 or 750 Feet"},
    {14, "5, 10, 20, 30, 40, 50, 60, 80, 100, 150, 200, 250 or 300",
     "15, 30, 60, 90, 120, 150, 180, 240, 300, 450, 600, 750 or 900 Feet"},
    {15, "5, 10, 20, 30, 40, 50, 60, 80, 100, 150, 200, 250, 300 or 400",
     "15, 30, 60, 90, 120, 150, 180, 240, 300, 450, 600, 750, 900 or 1200 Feet"},
    {16, "5, 10, 20, 30, 40, 50, 60, 80, 100, 150, 200, 250, 300, 400 or 500",
     "15, 30, 60, 90, 120, 150, 180, 240, 300, 450, 600, 750, 900, 1200 or 1500 Feet"},
};

// The typed number that names index i first in a table (for lists no table row gives).
std::string TypedName(std::span<const TypedRange> table, int index) {
    for (const TypedRange& r : table) {
        if (r.index == index) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "%g", r.value);
            return buf;
        }
    }
    return {};
}

// "a, b, c or d" of the ranges from index 2 (or 0 on a head that stops below 2) to `hi`.
std::string GeneratedList(std::span<const TypedRange> table, int hi) {
    std::string out;
    const int first = hi >= 2 ? 2 : 0;
    for (int i = first; i <= hi; ++i) {
        if (i > first) out += i == hi ? " or " : ", ";
        out += TypedName(table, i);
    }
    return out;
}

const char* UnitWord(int units) {
    return units == 2 ? kYardsWord : kMetersWord;
}

// The typed text as a number; nothing for an empty or malformed entry.
std::optional<double> ParseEntry(std::string_view text) {
    double v = 0.0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

PanelWarning OutOfRange(const char* format, int hi, const char* title) {
    char buf[96];
    std::snprintf(buf, sizeof buf, format, hi);
    return {buf, title};
}

// An integer entry accepted within lo..hi (the typed number truncated toward zero).
std::optional<int> IntegerEntry(std::string_view text, int lo, int hi) {
    const std::optional<double> v = ParseEntry(text);
    if (!v) return std::nullopt;
    const double t = std::trunc(*v);
    if (t < lo || t > hi) return std::nullopt;
    return static_cast<int>(t);
}

EntryResult ApplyRange(std::string_view text, const PanelValues& v, const PanelLimits& l) {
    EntryResult r;
    r.values = v;
    const std::optional<double> typed = ParseEntry(text);
    int index = -1;
    if (typed) {
        for (const TypedRange& t : TypedRangeTable(l.fine_resolution, l.units)) {
            if (t.value == *typed) {
                index = t.index;
                break;
            }
        }
    }
    // The current index is accepted only to leave half-range mode.
    const bool same = index == v.range_index && !v.half_range;
    if (index < l.min_range_index || index > l.max_range_index || same) {
        r.warning =
            PanelWarning{RangeListMessage(l.fine_resolution, l.units, l.max_range_index), "Range"};
        return r;
    }
    r.accepted = true;
    r.values.range_index = index;
    r.values.half_range = false;
    return r;
}

}  // namespace

bool TypedEntry::Open(Dial dial, const PanelLimits& l) {
    const bool allowed = (dial == Dial::Range || dial == Dial::Gain) ? l.live
                         : dial == Dial::DisplayGain                 ? true
                         : dial == Dial::Persistence                 ? !l.profile_mode()
                                                                     : false;
    if (!allowed) return false;
    dial_ = dial;
    text_.clear();
    return true;
}

bool TypedEntry::Append(char c) {
    if (!open() || text_.size() >= kEntryMaxChars) return false;
    if ((c < '0' || c > '9') && c != '.') return false;
    text_.push_back(c);
    return true;
}

void TypedEntry::Close() {
    dial_ = Dial::None;
    text_.clear();
}

std::span<const TypedRange> TypedRangeTable(bool fine_resolution, int units) {
    const bool feet = units == 1;
    if (fine_resolution) return feet ? std::span<const TypedRange>(kFineFeet) : kFineMetres;
    return feet ? std::span<const TypedRange>(kFeet) : kMetres;
}

std::string RangeListMessage(bool fine_resolution, int units, int max_range_index) {
    const bool feet = units == 1;
    std::string msg = kRangeListHead;
    if (fine_resolution) {
        if (feet) return msg + "1.5, 3, 6, 9, 12, 15, 18, 24, 30, 45, 60, 75 or 90 Feet";
        return msg + "0.5, 1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 25 or 30" + UnitWord(units);
    }
    for (const ListedMessage& m : kListed) {
        if (m.max_index == max_range_index) {
            return msg + (feet ? std::string(m.feet) : std::string(m.metres) + UnitWord(units));
        }
    }
    const int hi = std::clamp(max_range_index, 0, kNumRangeIndexes - 1);
    msg += GeneratedList(TypedRangeTable(false, units), hi);
    return msg + (feet ? " Feet" : UnitWord(units));
}

EntryResult ApplyTypedEntry(Dial dial, std::string_view text, const PanelValues& v,
                            const PanelLimits& l) {
    EntryResult r;
    r.values = v;
    std::optional<int> n;
    switch (dial) {
        case Dial::Range:
            return ApplyRange(text, v, l);
        case Dial::Gain:
            n = IntegerEntry(text, 0, l.max_gain);
            if (!n)
                r.warning =
                    OutOfRange("Entered Gain is out of range!\nUse 0 to %d dB", l.max_gain, "Gain");
            else
                r.values.gain = *n;
            break;
        case Dial::DisplayGain:
            n = IntegerEntry(text, kMinDisplayGain, kMaxDisplayGain);
            if (!n) {
                r.warning = PanelWarning{
                    "Entered Display Gain is out of range!\nUse 1 to 100 percent", "Display Gain"};
            } else {
                r.values.display_gain = *n;
            }
            break;
        case Dial::Persistence:
            n = IntegerEntry(text, 0, kMaxPersistenceS);
            if (!n) {
                r.warning = PanelWarning{
                    "Entered Persistence is out of range!\nUse 0 to 600 seconds", "Persistenece"};
            } else {
                r.values.persistence = *n;
                r.clear_image = v.persistence != 0 && *n == 0;
            }
            break;
        case Dial::None:
            return r;
    }
    r.accepted = n.has_value();
    return r;
}

}  // namespace vq
