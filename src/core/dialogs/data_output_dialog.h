// "Data Output Setup": what every ping sends and writes — nothing, profile points (.Q4P) or
// beams (.Q4B) — whether points carry intensities, and the buttons that open and close the live
// point and beam files at once.
#pragma once

#include <string>
#include <vector>

#include "core/dialogs/dialog_common.h"

namespace vq {

inline constexpr const char* kDataOutputCaption = "Data Output Setup";

// "DataOutputType": 0 "None", 1 "Q4P (Point Output)", 2 "Q4B (Beam Output)".
enum class OutputFileKind { Point = 0, Beam = 1 };

// What the program must do at once for a button press or a change of type.
enum class OutputFileAction { None, OpenPoint, ClosePoint, OpenBeam, CloseBeam };

struct DataOutputValues {
    int output_type = 0;
    bool include_intensities = false;  // "ProfilePointIntensityOutput"
    bool beam_output = false;          // the per-ping beam-output flag: on for beam output only
    bool operator==(const DataOutputValues&) const = default;
};

class DataOutputModel {
  public:
    DataOutputModel(int live_output_type, bool live_include_intensities, bool point_file_open,
                    bool beam_file_open);

    static const char* type_name(int type);  // the radio button texts
    int output_type() const { return type_; }
    bool include_intensities() const { return intensities_; }
    void set_include_intensities(bool on) { intensities_ = on; }

    // Choosing a type; returns the open files of types no longer selected, to close at once.
    std::vector<OutputFileAction> ChooseType(int type);
    // The text of a file's button: "Record To .Q4P File..." or "Close .Q4P File" (and Q4B).
    std::string button_text(OutputFileKind kind) const;
    // A file's button works only while its type is selected.
    bool button_enabled(OutputFileKind kind) const;
    // The button was pressed: open or close that file at once (None when its type is not
    // selected).
    OutputFileAction PressButton(OutputFileKind kind) const;
    // What the program did: the file is now open or closed (a cancelled or failed open leaves
    // it closed).
    void set_file_open(OutputFileKind kind, bool open);
    bool file_open(OutputFileKind kind) const;

    // Always accepted: the type, the intensity choice and the beam-output flag to store.
    OkAnswer Ok();
    const DataOutputValues& result() const { return result_; }

  private:
    int type_;
    bool intensities_;
    bool point_open_;
    bool beam_open_;
    DataOutputValues result_;
};

}  // namespace vq
