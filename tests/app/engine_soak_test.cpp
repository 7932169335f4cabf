// A minute live at the simulated head's fastest rate (CTest label "soak").
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"

namespace vq {
namespace {

using namespace std::chrono_literals;

EngineOptions Simulated(const test::TempDir& dir) {
    EngineOptions o;
    o.working_dir = dir.path();
    o.simulate = true;
    o.sim_pacing = false;
    o.link_initial_delay_ms = 0;
    return o;
}

using test::WaitFor;

// For 60 s every ping the simulated head sends goes through the pipeline, on the link thread
// only, and the settings changed meanwhile survive a restart.
TEST(EngineLiveTest, SixtySecondsWithoutALostPingAndSettingsSurviveARestart) {
    test::TempDir dir;
    dir.WriteLoopbackIni();
    {
        test::RecordingOperator op;
        Engine e(Simulated(dir), op);
        e.Start();
        ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= 5; }, 20s));
        e.Command(menu::kColorFirst + 5);
        e.Command(menu::kModeProfile);
        e.Command(menu::kBeams480);
        std::this_thread::sleep_for(60s);
        e.KeyChar('H');  // the link stops requesting; the ping in flight still completes
        std::this_thread::sleep_for(600ms);
        const EngineStats s = e.stats();
        EXPECT_GT(s.sim_pings_served, 100u);
        EXPECT_EQ(s.pings_processed, s.sim_pings_served);
        EXPECT_EQ(s.pipeline_thread_violations, 0u);
        EXPECT_NE(e.ping_thread(), std::this_thread::get_id());
        e.Shutdown();
    }
    test::RecordingOperator op;
    Engine again(Simulated(dir), op);
    again.Start();
    const Settings s = again.Store().Read([](const SettingsState& st) { return st.s; });
    EXPECT_EQ(s.Colors, 5);
    EXPECT_EQ(s.DisplayType, 3);
    EXPECT_EQ(s.StepSize, 0);
    EXPECT_EQ(s.IPAddress_Sonar1, "127.0.0.1");
    EXPECT_TRUE(again.menu()[menu::kModeProfile].checked);
}

}  // namespace
}  // namespace vq
