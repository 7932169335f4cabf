// The soundings of a ping for the surveyor's tools: each profile point of the point record
// placed on the map (or, without a GPS fix, relative to the sonar), as the .csv columns and as
// the plain "easting northing depth" lines of the .xyz file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/settings.h"
#include "recording/georef.h"
#include "recording/point_record.h"

namespace vq {

class Operator;
class RecordingControl;

inline constexpr const char* kSoundingsTitle = "Georeferenced Soundings";

// One profile point as a reader of the point record sees it.
struct ProfilePointView {
    int index = 0;           // output index i of the record
    double angle_deg = 0.0;  // beam angle, profile tilt included
    double range_m = 0.0;    // range of the head's window (1500 m/s), range start included
    int intensity = -1;      // -1 when the record carries none
};

// Calls f(ProfilePointView) for every output index whose range value is not 0, in the point
// record's order; returns how many there were.
template <class F>
int ForEachProfilePoint(const PointRecordInputs& in, F&& f) {
    const OutputRecordHeader& h = in.h;
    const int beams = h.num_beams;
    if (beams <= 0 || static_cast<std::size_t>(beams) > in.range_tenths.size()) return 0;
    const double samples = h.samples_per_beam > 0 ? h.samples_per_beam : 500;
    // The record's range value is tenths of a sample, whole samples on a fine-resolution head.
    const double metres_per_unit = h.range_m / samples * (h.fine_resolution ? 1.0 : 0.1);
    const double spacing = h.sector_deg / beams;
    const bool have_points = in.points.size() >= static_cast<std::size_t>(beams);
    const double start = have_points ? in.points[0].angle_deg : -0.5 * h.sector_deg;
    int n = 0;
    for (int i = 0; i < beams; ++i) {
        const std::uint16_t v = PointRangeValue(in, i);
        if (v == 0) continue;
        ProfilePointView p;
        p.index = i;
        // Range value i goes with angle start + i x spacing, as a reader of the record pairs them.
        p.angle_deg =
            have_points ? in.points[static_cast<std::size_t>(i)].angle_deg : start + i * spacing;
        p.range_m = v * metres_per_unit + h.range_offset_m;
        if (in.with_intensities && have_points)
            p.intensity = in.points[static_cast<std::size_t>(beams - 1 - i)].intensity & 0xFFFF;
        f(p);
        ++n;
    }
    return n;
}

// The mounting of the "Sonar Head Offsets" and "GPS Antenna Offsets": the sonar's position as
// the record header carries it (restored from the recording in playback), the rest from the
// settings.
VesselMounting MountingFrom(const Settings& s, const OutputRecordHeader& h);
// The navigation of the record; a fix needs a valid, finite position other than exactly 0, 0.
VesselState VesselStateOf(const RecordNav& nav);

// "survey.xyz" -> "survey_sonar.xyz": where soundings without a GPS fix go.
std::string SonarXyzName(const std::string& xyz_path);

// Plain text lines "easting northing depth" (metres, depth positive down) that GIS and
// point-cloud tools read directly; one grid per file: the UTM zone and hemisphere of the first
// sounding with a fix. Soundings without a fix come out separately as "starboard forward
// depth" from the sonar.
class XyzWriter {
  public:
    XyzWriter();
    void StartFile() { zone_ = 0; }
    struct Text {
        std::span<const std::uint8_t> map;
        std::span<const std::uint8_t> sonar;
    };
    Text FormatPing(const PointRecordInputs& in, const VesselMounting& m);
    int zone() const { return zone_; }
    bool north() const { return north_; }

  private:
    std::string map_, sonar_;
    int zone_ = 0;
    bool north_ = true;
};

}  // namespace vq
