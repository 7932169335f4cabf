// The .csv and .xyz outputs of a conversion: each ping's soundings formatted and written to
// the files open in the recording control; soundings without a GPS fix go to a second .xyz
// file, relative to the sonar, and the conversion says so once.
#pragma once

#include "recording/csv_writer.h"
#include "recording/soundings.h"

namespace vq {

class Operator;
class RecordingControl;

class SoundingFiles {
  public:
    // A new recording is converted: the header line, the .xyz grid and the note start afresh.
    void Start();
    // Whether a .csv or .xyz output is open (the caller holds the recording lock).
    static bool Wanted(const RecordingControl& rc);
    void WritePing(RecordingControl& rc, const PointRecordInputs& in, const VesselMounting& m,
                   Operator& op);
    const XyzWriter& xyz() const { return xyz_; }

  private:
    CsvWriter csv_;
    XyzWriter xyz_;
    bool told_ = false;
};

}  // namespace vq
