// Playback and conversion of recordings whose headers carry the extreme values a damaged or
// crafted file can hold: every record goes through the whole pipeline and every output, and
// nothing may crash or misbehave (the sanitizer build of ./test.sh checks the arithmetic).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <limits>
#include <string>

#include "app/engine.h"
#include "app/menu_table.h"
#include "support/recording_operator.h"
#include "support/sim_recording.h"
#include "support/temp_dir.h"

namespace vq {
namespace {

void PutF32(std::string& b, std::size_t at, float v) {
    std::memcpy(b.data() + at, &v, 4);  // the machine is little-endian like the file
}
void PutF64(std::string& b, std::size_t at, double v) {
    std::memcpy(b.data() + at, &v, 8);
}

struct Patch {
    const char* what;
    void (*apply)(std::string& header);
};

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Each patch is applied to the header of every record.
const Patch kPatches[] = {
    {"limits of every accepted range",
     [](std::string& h) {
         PutF32(h, 321, 90.0f);      // tilt
         PutF32(h, 325, 999999.0f);  // range offset
         PutF32(h, 329, 1.0e6f);     // absorption
         PutF32(h, 338, 1600.0f);    // sound velocity
         PutF32(h, 342, 2.0e9f);     // frequency
         PutF32(h, 346, 9999.0f);    // ping interval
         PutF32(h, 369, 99999.0f);   // range
         h[320] = '\xFF';            // gain
         h[333] = '\xFF';            // averaging length
         h[350] = 100;               // display gain
     }},
    {"non-finite and absurd numbers everywhere",
     [](std::string& h) {
         for (std::size_t at : {321u, 325u, 329u, 338u, 342u, 346u, 357u, 365u, 369u, 373u, 386u,
                                390u, 410u, 414u, 418u, 422u, 426u, 430u, 434u, 438u, 442u})
             PutF32(h, at, at % 2 ? kNan : -kInf);
         h[65] = 0x09;  // position and heading marked valid
         PutF64(h, 394, 1.0e300);
         PutF64(h, 402, -std::numeric_limits<double>::infinity());
     }},
    {"huge finite numbers",
     [](std::string& h) {
         for (std::size_t at :
              {321u, 325u, 329u, 338u, 342u, 346u, 369u, 410u, 414u, 418u, 434u, 438u, 442u})
             PutF32(h, at, 3.0e38f);
         h[65] = 0x09;
         PutF64(h, 394, -1.0e308);
         PutF64(h, 402, 1.0e308);
     }},
};

TEST(CraftedPlayback, ExtremeHeaderValuesConvertToEveryFormat) {
    const std::string live = test::RecordSimulatedPings(6);
    ASSERT_GT(live.size(), 3072u * 4);
    for (const Patch& p : kPatches) {
        SCOPED_TRACE(p.what);
        std::string file = live;
        std::uint32_t len = 0;
        for (std::size_t pos = 0; pos + 3072 <= file.size(); pos += len) {
            std::memcpy(&len, file.data() + pos + 4, 4);
            std::string header = file.substr(pos, 2048);
            p.apply(header);
            file.replace(pos, 2048, header);
        }
        for (char sw : {'x', 'b', 'c'}) {
            test::TempDir dir;
            dir.WriteLoopbackIni();
            test::WriteFile(dir / "crafted.vqs", file);
            test::RecordingOperator op;
            EngineOptions o;
            o.working_dir = dir.path();
            o.command_line_file = (dir / "crafted.vqs").string();
            o.command_line_switch = sw;
            Engine e(o, op);
            e.Start();
            ASSERT_TRUE(e.command_line_opened());
            EXPECT_TRUE(e.WaitForPlaybackEnd(1, std::chrono::seconds(120)));
            EXPECT_GE(e.playback().records_at_end, 5u);
            e.Shutdown();
        }
    }
}

}  // namespace
}  // namespace vq
