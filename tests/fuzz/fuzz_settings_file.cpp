// The settings file on any text: the profile file's sections and keys, every key's reading
// and validation, then writing the settings back. Settings once read and written must come
// back the same when read and written again.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/settings_file.h"
#include "core/settings_store.h"
#include "fuzz/fuzz_support.h"
#include "platform/ini_file.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

void WriteSeeds(const fs::path& dir) {
    IniFile ini;
    SettingsState st;
    SaveSettings(ini, st);
    WriteSeed(dir, "defaults", ini.serialize());
    st.s.Frequency = 120;
    st.s.Range = 14;
    st.s.AvgFilterIndex = 25;
    st.s.SoundVelocityMeters = 1600.0f;
    st.s.IPAddress_Sonar1 = "127.0.0.1";
    st.s.ProfileTiltAngle = -90.0f;
    IniFile changed;
    changed.Parse("; kept comment\n[Other]\nX=1\n");
    SaveSettings(changed, st);
    WriteSeed(dir, "changed_unix_eol", changed.serialize());
    WriteSeed(dir, "odd_values",
              "\xEF\xBB\xBF[settings]\r\nDisplayGain=0\r\nFIRFilter=10\r\nFrequency=675\r\n"
              "SoundVelocityMeters=1600.1\r\nAvgFilterIndex=4\r\nRange=99\r\n"
              "ProfileMinDepthBelowSonar=1e999\r\nPersistence=-2147483649\r\n"
              "[Filter Settings]\r\nProfilePointFilter_g_bgd_lev=nan\r\n");
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq;
    IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    SettingsState st;
    LoadSettings(ini, st);
    SaveSettings(ini, st);  // into the file read: its other lines stay
    volatile std::size_t sink = ini.serialize().size();
    (void)sink;

    IniFile first;
    SaveSettings(first, st);
    IniFile reread;
    reread.Parse(first.serialize());
    SettingsState st2;
    LoadSettings(reread, st2);
    IniFile second;
    SaveSettings(second, st2);
    if (first.serialize() != second.serialize()) __builtin_trap();
    return 0;
}
