// External control end to end: control datagrams sent over loopback to a live engine against
// the simulated head, and what they change in its settings, its output and its recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/live_engine.h"
#include "app/menu_table.h"

namespace vq {
namespace {

using namespace apptest;

// ---------------------------------------------------------------------------------------------
// External control

TEST(EngineControl, ControllerTakesOverTheOutputAndDrivesSettings) {
    Catcher configured;
    Catcher controller;
    LiveEngine e;
    e.Start(Port("RemotePort_Output1", configured.port()) +
            "ProfilePointDetection=0\r\nDataOutputType=0\r\nDisplayGain=30\r\n"
            "ProfileTiltAngle=20.0\r\nAvgFilter=1\r\n");
    ASSERT_TRUE(WaitFor([&] { return configured.count() >= 3; }));
    const std::uint16_t engine_port = e.engine->output_local_port();

    // Any datagram redirects the output to its sender; with control active it is applied.
    e.SendControl(controller, Control({"control=on", "dgain=77"}));
    EXPECT_EQ(e.Now().DisplayGain, 77);
    ASSERT_TRUE(WaitFor([&] { return controller.count() >= 6; }));
    const std::size_t before = configured.count();
    ASSERT_TRUE(WaitFor([&] { return controller.count() >= 12; }));
    EXPECT_EQ(configured.count(), before);
    for (const auto& d : controller.taken()) {
        EXPECT_TRUE(StartsWith(d.bytes, "Q4Z"));
        EXPECT_EQ(d.from, (Ipv4Endpoint{kLoopback, engine_port}));
    }
    const auto statuses = e.op.statuses();
    EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(), [](const auto& s) {
        return s.first == "control" && s.second == "External Control";
    }));

    // The box goes within ten pings unless datagrams keep coming.
    ASSERT_TRUE(WaitFor([&] {
        const auto now = e.op.statuses();
        return now.back() == std::make_pair(std::string("control"), std::string(""));
    }));

    // Tilt byte: 240 (60 degrees) is refused, 180 is 0 degrees, 50 is -90.
    Bytes d = Control({"control=on"});
    d[25] = 240;
    e.SendControl(controller, d);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, 20.0f);
    d[25] = 180;
    e.SendControl(controller, d);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, 0.0f);
    d[25] = 50;
    e.SendControl(controller, d);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, -90.0f);

    // A 10-byte datagram: display gain from byte 9, every later field reads 0 (averaging off).
    const Bytes short_one = {'T',
                             'S',
                             'T',
                             1,
                             0,
                             0,
                             0,
                             static_cast<std::uint8_t>(e.Now().Range),
                             static_cast<std::uint8_t>(e.Now().Gain),
                             55};
    e.SendControl(controller, short_one);
    EXPECT_EQ(e.Now().DisplayGain, 55);
    EXPECT_EQ(e.Now().AvgFilter, 0);
    EXPECT_FLOAT_EQ(e.Now().ProfileTiltAngle, -90.0f);  // tilt byte 0 (-180 degrees) refused

    // Control off: nothing is applied.
    e.SendControl(controller, Control({"control=off", "dgain=12"}));
    EXPECT_EQ(e.Now().DisplayGain, 55);
    e.engine->Shutdown();
}

TEST(EngineControl, SoundVelocityAndRecordingLive) {
    Catcher controller;
    LiveEngine e;
    e.Start(
        "ProfilePointDetection=0\r\nDataOutputType=0\r\nAutoFilename=0\r\nAutoFilenameType=0\r\n");
    ASSERT_TRUE(e.Pings(2));
    auto current_sv = [&] {
        return e.engine->Store().Read(
            [](const SettingsState& st) { return st.work.sound_velocity_current; });
    };
    // 1520.5 m/s as 15205 tenths; applied by the next live ping.
    e.SendControl(controller, Control({"control=on", "sv=1520.5", "record=on"}));
    ASSERT_TRUE(WaitFor([&] { return std::fabs(current_sv() - 1520.5f) < 0.01f; }));
    // Recording started with automatic Date-Time names, and those settings kept.
    EXPECT_EQ(e.Now().AutoFilename, 1);
    EXPECT_EQ(e.Now().AutoFilenameType, 1);
    // The ping thread opens the file after it applied the new sound velocity: count the pings
    // from there (one more than checked below, so the last may still be on its way).
    ASSERT_TRUE(WaitFor([&] { return e.engine->recording().recording; }));
    ASSERT_TRUE(e.Pings(5));
    e.SendControl(controller, Control({"control=on", "sv=1520.5", "record=off"}));
    ASSERT_TRUE(e.engine->Sync());
    EXPECT_FALSE(e.engine->recording().recording);
    const std::filesystem::path file = FindRecording(e.dir.path());
    const std::string stem = file.stem().string();  // ddmmmyyyy-hhmmss
    ASSERT_EQ(stem.size(), 16u) << stem;
    EXPECT_EQ(stem[9], '-');
    EXPECT_TRUE(std::all_of(stem.begin() + 10, stem.end(), ::isdigit)) << stem;
    const auto size = std::filesystem::file_size(file);
    ASSERT_TRUE(e.Pings(4));
    EXPECT_EQ(std::filesystem::file_size(file), size);  // stopped: nothing more written
    EXPECT_GE(ReadRecording(e.dir.path()).records.size(), 4u);
    // Out of range: 1600.1 m/s is ignored.
    Bytes too_fast = Control({"control=on"});
    too_fast[17] = 16001 >> 8;
    too_fast[18] = 16001 & 0xFF;
    e.SendControl(controller, too_fast);
    ASSERT_TRUE(e.Pings(2));
    EXPECT_NEAR(current_sv(), 1520.5f, 0.01f);
    e.engine->Shutdown();
}

// A burst of arbitrary control datagrams (noise, and well-formed ones that switch recording on
// and off at random and scribble over other fields), then a well-formed datagram with
// recording on: the recording is on and every following ping is written to it.
TEST(EngineControl, RecordingOnAfterABurstOfRandomDatagramsIsWritten) {
    Catcher controller;
    LiveEngine e;
    e.Start("ProfilePointDetection=0\r\nDataOutputType=0\r\n");
    ASSERT_TRUE(e.Pings(2));
    std::mt19937 rng(20261208);
    for (int i = 0; i < 400; ++i) {
        Bytes d;
        if (i % 3 == 0) {
            d.resize(rng() % 300);
            for (std::uint8_t& b : d) b = static_cast<std::uint8_t>(rng());
        } else {
            d = Control({"control=on"});
            d[ctl::kRecording] = static_cast<std::uint8_t>(rng() % 2);
            d[5 + rng() % 30] = static_cast<std::uint8_t>(rng());
        }
        e.SendControl(controller, d);
    }
    e.SendControl(controller, Control({"control=on", "xmit=on", "record=on"}));
    ASSERT_TRUE(e.engine->Sync());
    const RecordingSnapshot on = e.engine->recording();
    ASSERT_TRUE(on.recording) << "the last datagram asked for recording";
    ASSERT_TRUE(e.Pings(6));
    const RecordingSnapshot later = e.engine->recording();
    EXPECT_EQ(later.recording_path, on.recording_path);
    EXPECT_GE(later.recording_bytes, on.recording_bytes + 6 * 3072);
    e.SendControl(controller, Control({"control=on", "record=off"}));
    ASSERT_TRUE(e.engine->Sync());
    EXPECT_FALSE(e.engine->recording().recording);
    VqsPlaybackFile f;
    ASSERT_EQ(f.Open(on.recording_path), VqsOpenStatus::Ok);
    f.set_process_first_record(true);
    VqsRecordView view;
    int records = 0;
    while (f.ReadNext(view) == VqsReadStatus::Record) ++records;
    EXPECT_GE(records, 6);
    e.engine->Shutdown();
    // Recordings switched off before any ping reached them left nothing behind.
    for (const auto& x : std::filesystem::directory_iterator(e.dir.path())) {
        if (x.path().extension() == ".VQS") {
            EXPECT_GT(x.file_size(), 0u) << x.path();
        }
    }
    EXPECT_TRUE(e.op.messages().empty());
}

TEST(EngineControl, RangeFollowsTheControllerLiveButNotInPlayback) {
    Catcher controller;
    LiveEngine e;
    e.Start("ProfilePointDetection=0\r\nDataOutputType=0\r\nRange=4\r\n");
    ASSERT_TRUE(e.Pings(2));
    e.SendControl(controller, Control({"control=on", "range=5"}));
    EXPECT_EQ(e.Now().Range, 5);

    e.engine->Command(menu::kFile);
    ASSERT_TRUE(e.engine->in_playback());
    e.SendControl(controller, Control({"control=on", "range=3", "dgain=40"}));
    EXPECT_EQ(e.Now().Range, 5);
    EXPECT_EQ(e.Now().DisplayGain, 40);  // the rest of the datagram still applies
    e.engine->Shutdown();
}

}  // namespace
}  // namespace vq
