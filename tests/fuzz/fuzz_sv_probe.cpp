// The sound-velocity probe input on any serial bytes, for both probe types: the line framer,
// the reading of each line, the range checks and the Hampel filter. Whatever arrives, a value
// offered to the pipeline lies within 1400..1600 m/s.
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "sensors/sv_probe.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

void WriteSeeds(const fs::path& dir) {
    // Byte 0 chooses the probe ("SVDeviceType" 0 Digibar Pro, 1 SBE 37).
    std::string digibar(1, '\0');
    for (const char* v : {"1487.30", "1487.35", "4921.26", "1550.00", "1399.90", "1487.40"})
        digibar += std::string(" ") + v + "\r";
    WriteSeed(dir, "digibar", digibar);
    std::string sbe(1, '\1');
    for (int i = 0; i < 7; ++i)
        sbe += " 12.3456, 3.45678, 101.234, 35.1234, 1492.37" + std::to_string(i) + "\r\n";
    WriteSeed(dir, "sbe37", sbe);
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
    ExternalSoundVelocity out;
    SvProbe probe(out);
    probe.set_device_type(in.Byte() & 1);
    for (std::uint8_t c : in.Rest()) probe.Feed(static_cast<char>(c));
    if (out.received() && !(out.value() >= kMinSoundVelocity && out.value() <= kMaxSoundVelocity))
        __builtin_trap();
    return 0;
}
