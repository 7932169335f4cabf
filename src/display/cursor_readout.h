// What the two read-out boxes under the control panel say about the point under the mouse
// pointer (range and bearing, horizontal and vertical distance, or the receive element), the
// length of the measuring line, the range cell under the pointer, and the range read-out that
// names the range window in force. Positions are main-window client coordinates: the picture's
// top-left pixel lies at (2, 61).
#pragma once

#include <string>

#include "display/display_params.h"

namespace vq {

inline constexpr int kPictureLeft = 2;
inline constexpr int kPictureTop = 61;

// The labels in front of the two boxes: "RNG:"/"BRG:" in the sector, linear and Beam Test
// modes, "HOR:"/"VER:" in the perspective mode, and by the profile grid type in profile mode.
struct CursorLabels {
    const char* first;
    const char* second;
};
CursorLabels CursorLabelsFor(const DisplayParams& p);

struct CursorReadout {
    std::string first;  // both empty: the boxes stay empty
    std::string second;
    int range_bin = -1;  // range cell under the pointer, 0 .. NumSamples - 1; -1 for none
};

// The read-out of the pointer at client (x, y) over the picture described by `p`.
CursorReadout ReadCursor(const DisplayParams& p, int x, int y);

// Metres (feet, yards) per picture pixel: the range span / 500, doubled in the profile mode
// with the waterfall, halved in half-range mode, scaled by the sound speed relative to
// 1500 m/s and converted to the operator's unit.
double UnitsPerPixel(const DisplayParams& p);
// " M", " FT" or " YDS".
const char* UnitSuffix(int units);

// The measuring line's length from the anchor to the pointer: "%3.2f" and the unit suffix.
std::string MeasureText(const DisplayParams& p, int anchor_x, int anchor_y, int x, int y);
// Top edge of the length label of height `text_height`: below the pointer (its lower edge
// 26 pixels below) when the pointer lies below the anchor, above it (its upper edge 25 pixels
// above) otherwise.
int MeasureLabelTop(int anchor_y, int pointer_y, int text_height);

// What names the range read-out.
struct RangeLabelInputs {
    int range_index = 7;
    int units = 0;
    int range_start_m = 0;  // S, whole metres
    bool fine_resolution = false;
    bool half_range = false;
    int min_range_index = 2;
};
// S = 0: the range name of the index in the operator's unit ("50 M  ", "150 FT  "); S > 0:
// "%d to %d M" in metres.
std::string RangeLabel(const RangeLabelInputs& in);

// The profile depth window's handles: the depth (metres) of client row y, and the row of a
// depth, with the range, picture scale and sound speed of `p`.
double ProfileDepthAtRow(const DisplayParams& p, int y);
int ProfileRowOfDepth(const DisplayParams& p, double depth_m);
// A dragged handle's depth kept within its limits: minimum 0.1 .. 0.9 x range and below the
// maximum - 0.05 x range; maximum 0.1 .. 0.95 x range and above the minimum + 0.05 x range.
double LimitMinDepth(double depth_m, double max_depth_m, double range_m);
double LimitMaxDepth(double depth_m, double min_depth_m, double range_m);

}  // namespace vq
