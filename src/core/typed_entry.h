// The keyboard entry field of the control panel: "R", "G", "D" or "P" opens it on a dial, up to
// three digits or points follow, Enter applies and Esc closes it. Applying checks the typed
// value against the head's allowed values and answers either the new panel values or the
// warning the operator sees, word for word.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/panel_values.h"

namespace vq {

inline constexpr int kEntryMaxChars = 3;

class TypedEntry {
  public:
    // Opens the field on a dial when that dial may be typed into now: range and gain live
    // only, persistence not in profile mode. Reopening starts an empty entry.
    bool Open(Dial dial, const PanelLimits& l);
    // A digit or "." appended while the field is open and holds fewer than three characters.
    bool Append(char c);
    void Close();
    Dial dial() const { return dial_; }
    bool open() const { return dial_ != Dial::None; }
    std::string_view text() const { return text_; }

  private:
    Dial dial_ = Dial::None;
    std::string text_;
};

struct EntryResult {
    bool accepted = false;
    PanelValues values;  // the values after the entry (unchanged when refused)
    std::optional<PanelWarning> warning;
    bool clear_image = false;  // persistence went from non-zero to zero
};

// Applies `text` typed into `dial`.
EntryResult ApplyTypedEntry(Dial dial, std::string_view text, const PanelValues& v,
                            const PanelLimits& l);

// A typed range and the range index it selects.
struct TypedRange {
    double value;
    int index;
};
// The typed values a head accepts for its family and the units (fine-resolution heads in
// metres or yards, and in feet; other heads in metres or yards, and in feet).
std::span<const TypedRange> TypedRangeTable(bool fine_resolution, int units);
// The "Range" warning that lists the allowed ranges, chosen by the highest allowed index.
std::string RangeListMessage(bool fine_resolution, int units, int max_range_index);

}  // namespace vq
