// External control on any datagrams: a sequence of datagrams of any length (each a length
// byte and its bytes) applied live or in playback to the settings. Whatever arrives, every
// setting stays inside the range the program accepts.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/settings_store.h"
#include "fuzz/fuzz_support.h"
#include "net/control.h"
#include "net/control_datagram.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckRanges(const Settings& s) {
    Check(s.Range >= 0 && s.Range <= 16);
    Check(s.DisplayGain >= 1 && s.DisplayGain <= 100);
    Check(s.SectorSize >= 0 && s.SectorSize <= 7);
    Check(s.ProcessingMode >= 0 && s.ProcessingMode <= 3);
    Check(s.StepSize >= 0 && s.StepSize <= 2);
    Check(s.Persistence >= 0 && s.Persistence <= 600);
    Check(s.SoundVelocityMeters >= 1400.0f && s.SoundVelocityMeters <= 1600.0f);
    Check(s.ProfileTiltAngle >= -90.0f && s.ProfileTiltAngle <= 90.0f);
    Check(s.SonarXOffsetMeters >= -100.0f && s.SonarXOffsetMeters <= 100.0f);
    Check(s.SonarDepthMeters >= -100.0f && s.SonarDepthMeters <= 6000.0f);
    Check(s.ExternalTriggerControl >= 0 && s.ExternalTriggerControl <= 3);
    Check(s.ExternalTriggerXmitDelay >= 0 && s.ExternalTriggerXmitDelay <= 10000);
    Check(s.AvgFilterIndex >= 3 && s.AvgFilterIndex <= 25 && s.AvgFilterIndex % 2 == 1);
}

void WriteSeeds(const fs::path& dir) {
    // Byte 0: bit 0 playback, bit 1 recording; then datagrams, each a length byte first.
    auto seed = [&](const char* name, std::uint8_t inputs,
                    const std::vector<std::vector<std::string>>& datagrams) {
        std::vector<std::uint8_t> b{inputs};
        for (const auto& fields : datagrams) {
            ControlDatagram d;
            for (const auto& f : fields) d.SetAssignment(f, nullptr);
            b.push_back(static_cast<std::uint8_t>(d.bytes().size() - 1));
            b.insert(b.end(), d.bytes().begin(), d.bytes().begin() + 255);
        }
        WriteSeed(dir, name, b);
    };
    seed("live_everything", 0,
         {{"control=on",   "range=5",       "gain=12",       "dgain=80",     "gaineq=on",
           "sector=2",     "processing=3",  "step=1",        "avg=5",        "persistence=100",
           "sv=1487.5",    "mode=profile",  "output=points", "detection=on", "blanking=3",
           "threshold=40", "xdcr=down",     "tilt=-30",      "units=ft",     "record=on",
           "trigger=2",    "trigdelay=500", "filter=1",      "x=-1.5",       "y=2.25",
           "depth=12.5"},
          {"control=off"}});
    seed("playback_toggle", 1, {{"control=on", "xmit=off", "hide=yes"}, {"control=on", "tilt=90"}});
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq;
    fuzz::Input in(data, size);
    const std::uint8_t flags = in.Byte();
    ControlInputs inputs;
    inputs.playback = (flags & 1) != 0;
    inputs.recording = (flags & 2) != 0;
    ControlState state;
    SettingsState st;
    while (!in.empty()) {
        // Up to 300 bytes: longer datagrams than the 256 read must be safe too.
        const auto datagram = in.Take(std::size_t{in.Byte()} + (flags & 4 ? 45 : 1));
        const std::vector<std::uint8_t> copy(datagram.begin(), datagram.end());
        inputs.beam_output = st.s.DataOutputType == 2;
        ApplyControlDatagram(copy.data(), copy.size(), state, st, inputs);
        fuzz::CheckRanges(st.s);
        state.OnPing();
    }
    return 0;
}
