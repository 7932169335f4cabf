#include "recording/sounding_files.h"

#include <string>

#include "core/operator.h"
#include "recording/recording_control.h"

namespace vq {

void SoundingFiles::Start() {
    csv_.StartFile();
    xyz_.StartFile();
    told_ = false;
}

bool SoundingFiles::Wanted(const RecordingControl& rc) {
    return rc.OutputOpen(OutputKind::Csv) || rc.OutputOpen(OutputKind::Xyz);
}

void SoundingFiles::WritePing(RecordingControl& rc, const PointRecordInputs& in,
                              const VesselMounting& m, Operator& op) {
    if (rc.OutputOpen(OutputKind::Csv)) rc.WriteOutput(OutputKind::Csv, csv_.FormatPing(in, m));
    bool relative = false;
    std::string sonar_name;
    if (rc.OutputOpen(OutputKind::Xyz)) {
        const XyzWriter::Text t = xyz_.FormatPing(in, m);
        if (!t.map.empty()) rc.WriteOutput(OutputKind::Xyz, t.map);
        if (!t.sonar.empty()) {
            relative = true;
            sonar_name = SonarXyzName(rc.OutputPath(OutputKind::Xyz).string());
            if (!rc.OutputOpen(OutputKind::XyzSonar))
                rc.OpenOutput(OutputKind::XyzSonar, sonar_name);
            rc.WriteOutput(OutputKind::XyzSonar, t.sonar);
        }
    } else if (!VesselStateOf(in.h.nav).position_valid) {
        relative = ForEachProfilePoint(in, [](const ProfilePointView&) {}) > 0;
    }
    if (!relative || told_) return;
    told_ = true;
    std::string text = "Ping " + std::to_string(in.h.output_ping_number) +
                       " has no GPS fix: soundings without a fix are written relative to the "
                       "sonar";
    if (sonar_name.empty()) {
        text += " only (their map columns in the .csv stay empty).";
    } else {
        const std::size_t slash = sonar_name.rfind('/');
        text += " (starboard, forward, depth) to " +
                (slash == std::string::npos ? sonar_name : sonar_name.substr(slash + 1)) + ".";
    }
    op.MessageBox(text, kSoundingsTitle);
}

}  // namespace vq
