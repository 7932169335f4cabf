// The engine headless: start-up, data-source switching, operating point, menu rules, and a
// live run at the simulated head's fastest rate.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/engine.h"
#include "app/menu_table.h"
#include "app/operating_state.h"
#include "pipeline/pipeline.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"

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

int CountTitles(const test::RecordingOperator& op, const std::string& text) {
    int n = 0;
    for (const std::string& t : op.titles()) n += t == text;
    return n;
}

TEST(EngineTest, DataSourceSwitchRunsOnceAndHeadWhileLiveDoesNothing) {
    test::TempDir dir;
    dir.WriteLoopbackIni();
    test::RecordingOperator op;
    Engine e(Simulated(dir), op);
    e.Start();
    EXPECT_FALSE(e.in_playback());
    const int live_titles = CountTitles(op, "Vornax_Qi Multibeam Sonar");
    e.Command(menu::kHead);  // live already: nothing happens
    EXPECT_EQ(CountTitles(op, "Vornax_Qi Multibeam Sonar"), live_titles);
    e.Command(menu::kFile);
    e.Command(menu::kFile);
    EXPECT_TRUE(e.in_playback());
    EXPECT_EQ(CountTitles(op, "Vornax_Qi Multibeam Sonar - [No File]"), 1);
    EXPECT_TRUE(e.menu()[menu::kFile].checked);
    EXPECT_FALSE(e.menu()[menu::kHead].checked);
    EXPECT_FALSE(e.menu()[menu::kRecord].enabled);
    EXPECT_TRUE(e.menu()[menu::kPlaybackFile].enabled);
    // No file open: playback has nothing to do, and no ping is processed.
    EXPECT_FALSE(e.playback().open);
    const std::uint64_t processed = e.stats().pings_processed;
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(e.stats().pings_processed, processed);
    e.Shutdown();
}

TEST(EngineTest, SwitchingToPlaybackReleasesTheHold) {
    test::TempDir dir;
    dir.WriteLoopbackIni();
    test::RecordingOperator op;
    Engine e(Simulated(dir), op);
    e.Start();
    e.KeyChar('H');
    EXPECT_TRUE(e.hold());
    e.Command(menu::kFile);
    EXPECT_FALSE(e.hold());
}

TEST(EngineTest, ProfileModeLimitsAveragingToSevenShots) {
    test::TempDir dir;
    dir.WriteLoopbackIni();
    test::RecordingOperator op;
    Engine e(Simulated(dir), op);
    e.Start();
    e.Command(menu::kAvg15);
    EXPECT_TRUE(e.menu()[menu::kAvg15].checked);
    e.Command(menu::kModeProfile);
    EXPECT_EQ(e.Store().Read([](const SettingsState& st) { return st.s.AvgFilterIndex; }), 7);
    EXPECT_TRUE(e.menu()[menu::kAvg7].checked);
    EXPECT_FALSE(e.menu()[menu::kAvg15].enabled);
    EXPECT_FALSE(e.menu()[menu::kRemoveBackground].enabled);
    e.Command(menu::kModeSector);
    EXPECT_TRUE(e.menu()[menu::kAvg15].enabled);
    EXPECT_TRUE(e.menu()[menu::kRemoveBackground].enabled);
}

// "Profile Tilt Angle...", "&Rectangular", "Display Altitude" and "&Circular" are enabled in
// profile mode and greyed in every other mode, live and in playback.
TEST(EngineTest, ProfileItemsFollowTheDisplayMode) {
    test::TempDir dir;
    dir.WriteLoopbackIni();
    test::RecordingOperator op;
    Engine e(Simulated(dir), op);
    e.Start();
    for (int source : {menu::kHead, menu::kFile}) {
        e.Command(source);
        for (int mode = menu::kModeSector; mode <= menu::kModeBeamTest; ++mode) {
            ASSERT_TRUE(e.Command(mode));
            const bool profile = mode == menu::kModeProfile;
            for (int id :
                 {menu::kTiltAngle, menu::kRectangular, menu::kAltitude, menu::kCircular}) {
                EXPECT_EQ(e.menu()[id].enabled, profile)
                    << "item " << id << " in mode " << mode
                    << (source == menu::kFile ? " (playback)" : "");
            }
        }
    }
    // The item itself is a command the window turns into its dialog; it changes nothing.
    const SettingsState before = e.Store().snapshot();
    ASSERT_TRUE(e.Command(menu::kModeProfile));
    ASSERT_TRUE(e.Command(menu::kTiltAngle));
    EXPECT_EQ(e.Store().snapshot().s.ProfileTiltAngle, before.s.ProfileTiltAngle);
    e.Shutdown();
}

TEST(EngineTest, OperatingPointAppliesOnlyOnChangeUnlessForced) {
    SettingsStore store;
    test::RecordingOperator op;
    PictureHandOff pictures;
    PingPipeline p(store, op, pictures);
    p.ApplyOperatingPointNow(260);
    const auto after_first = p.geometry_setups();
    p.ApplyOperatingPointNow(260);
    EXPECT_EQ(p.geometry_setups(), after_first);
    store.Update([](SettingsState& st) { st.work.applied_frequency_khz = -1; });
    p.ApplyOperatingPointNow(260);
    EXPECT_EQ(p.geometry_setups(), after_first + 1);
}

}  // namespace
}  // namespace vq

namespace vq {
namespace {

// An operator that, like a careless window, sends the engine another command from inside a
// callback the engine makes while one of its commands runs.
class ReenteringOperator final : public Operator {
  public:
    Engine* engine = nullptr;
    int refused = 0;
    int accepted = 0;
    void MessageBox(std::string_view, std::string_view) override {}
    void SetWindowTitle(std::string_view) override {
        if (!engine) return;
        (engine->Command(menu::kGrid) ? accepted : refused) += 1;
    }
    void SetStatus(std::string_view, std::string_view) override {}
    void PictureReady() override {}
};

TEST(EngineTest, ACommandArrivingWhileOneRunsIsRefusedNotNested) {
    test::TempDir dir;
    dir.WriteLoopbackIni("Grid=1\r\n");
    ReenteringOperator op;
    Engine e(Simulated(dir), op);
    e.Start();
    op.engine = &e;
    // Switching the data source sets the window title inside the command.
    ASSERT_TRUE(e.Command(menu::kFile));
    EXPECT_GE(op.refused, 1);
    EXPECT_EQ(op.accepted, 0);
    EXPECT_EQ(e.Store().Read([](const SettingsState& st) { return st.s.Grid; }), 1);
    // Once the command has ended, the next one runs.
    op.engine = nullptr;
    EXPECT_TRUE(e.Command(menu::kGrid));
    EXPECT_EQ(e.Store().Read([](const SettingsState& st) { return st.s.Grid; }), 0);
    e.Shutdown();
}

}  // namespace
}  // namespace vq
