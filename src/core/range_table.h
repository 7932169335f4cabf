// The range steps of the sonar: span, largest range offset, automatic pulse length and filter,
// the whole-metre span names and the deepest profile depth for each range index; and the
// rounding of a frequency to the 5 kHz steps the head accepts.
#pragma once

namespace vq {

inline constexpr int kNumRangeIndexes = 17;  // range indexes 0..16

// Every lookup clamps its index to 0..16, so a bad index never reads outside the table.
int ClampRangeIndex(int index);

// Range span in metres (1.25 .. 500; 0.125 .. 50 on a fine-resolution head).
float RangeSpanMeters(int index, bool fine_resolution);
// Largest range offset allowed for the range, whole metres.
int MaxRangeOffsetMeters(int index);
// Pulse length (µs) and FIR filter index chosen when automatic pulse length is on.
int AutoPulseLengthUs(int index, bool fine_resolution);
int AutoFilterIndex(int index, bool fine_resolution);
// The name of a range in units 0 metres, 1 feet, 2 yards, padded as the range read-out and the
// "Set Switches" list show it: "1.25 M", "3.75 FT ", "1.25 YDS " ... (feet name three times
// the metre number, yards repeat it).
const char* RangeReadoutName(int index, int units);
// Whole-metre span named by the range read-out: 1, 2, 5, 10, 20 ... 500.
int WholeMetreSpan(int index);
// Deepest profile depth in metres allowed by the head's maximum range index: 1.5 .. 500.
float MaxProfileDepthMeters(int max_range_index);

// A frequency f in kHz rounded to a multiple of 5: trunc(0.2 * f + 0.5) * 5.
int RoundFrequencyKhz(double f);

}  // namespace vq
