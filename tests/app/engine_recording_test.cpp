// Live recording, playback and menu conversion through the whole engine: a simulated head on a
// loopback port, real files in a temporary directory, scripted dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/engine.h"
#include "app/menu_table.h"
#include "recording/vqs_reader.h"
#include "sim/sim_head.h"
#include "support/recording_operator.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"

namespace vq {
namespace {

namespace fs = std::filesystem;
using test::RecordingOperator;
using test::TempDir;

EngineOptions SimulatedRun(const TempDir& dir) {
    EngineOptions o;
    o.working_dir = dir.path();
    o.simulate = true;
    o.sim_pacing = false;
    o.link_initial_delay_ms = 0;
    return o;
}

using test::WaitFor;

std::uint32_t U32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

float F32(const std::string& b, std::size_t at) {
    const std::uint32_t u = U32(b, at);
    float f = 0.0f;
    std::memcpy(&f, &u, 4);
    return f;
}

struct RawRecord {
    std::string header;  // 2048 bytes
    std::vector<std::uint8_t> ping;
};

// A plain walk through a recording by the lengths its headers declare.
std::vector<RawRecord> SplitRecords(const std::string& file) {
    std::vector<RawRecord> out;
    std::size_t pos = 0;
    while (pos + 3072 <= file.size()) {
        EXPECT_EQ(file.compare(pos, 3, "VQS"), 0) << "record " << out.size();
        const std::uint32_t len = U32(file, pos + 4);
        const std::uint32_t n = U32(file, pos + 91);
        EXPECT_EQ(len, 3072u + n);
        if (len != 3072u + n || pos + len > file.size()) break;
        RawRecord r;
        r.header = file.substr(pos, 2048);
        r.ping.assign(file.begin() + static_cast<std::ptrdiff_t>(pos + 3072),
                      file.begin() + static_cast<std::ptrdiff_t>(pos + len));
        out.push_back(std::move(r));
        pos += len;
    }
    EXPECT_EQ(pos, file.size()) << "the file must end on a record boundary";
    return out;
}

std::vector<fs::path> Recordings(const fs::path& dir) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (e.path().extension() == ".VQS") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Records at least `pings` live pings into a new automatically named file.
void RecordLive(Engine& e, std::uint64_t pings) {
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= 2; }));
    e.Command(menu::kRecord);
    ASSERT_TRUE(e.Sync());  // the ping thread has opened the file
    ASSERT_TRUE(e.recording().recording);
    const std::uint64_t base = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + pings; }));
    e.Command(menu::kRecord);
    ASSERT_TRUE(e.Sync());
    ASSERT_FALSE(e.recording().recording);
}

bool Said(const RecordingOperator& op, const std::string& text) {
    for (const auto& m : op.messages()) {
        if (m.text == text) return true;
    }
    return false;
}

// Ping bytes the simulated head delivers for a command: the same seed and scene make the same
// echoes, so each recorded ping must equal an offline rebuild of consecutive ping numbers.
std::vector<std::uint8_t> Rebuild(const std::vector<std::uint8_t>& ping, std::uint64_t index) {
    sim::Options so;
    so.seed = 1;
    so.scene = sim::DemoScene(so.head);
    const std::vector<std::uint8_t> cmd(ping.begin(), ping.begin() + 1152);
    return sim::BuildPingBufferOffline(so, cmd, index);
}

TEST(EngineRecording, LiveRecordingIsByteExactAndPlaysBack) {
    TempDir dir;
    dir.WriteLoopbackIni("AutoFilename=1\r\nAutoFilenameType=0\r\n");
    RecordingOperator op;
    Engine e(SimulatedRun(dir), op);
    e.Start();
    RecordLive(e, 12);
    const SettingsState live = e.Store().snapshot();
    const std::uint64_t served = e.stats().pings_received;

    const std::vector<fs::path> files = Recordings(dir.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string name = files[0].filename().string();
    EXPECT_EQ(name.size(), 18u);  // ddmmmyyyy-0001.VQS
    EXPECT_EQ(name.substr(9), "-0001.VQS");
    const std::vector<RawRecord> recs = SplitRecords(test::ReadFile(files[0]));
    ASSERT_GE(recs.size(), 12u);

    // Header values as the live run had them; each record names the length of the one before.
    for (std::size_t k = 0; k < recs.size(); ++k) {
        const std::string& h = recs[k].header;
        SCOPED_TRACE(k);
        EXPECT_EQ(h[3], 2);
        EXPECT_EQ(h[63], 4);
        EXPECT_EQ(U32(h, 59), k == 0 ? 0u : 3072u + recs[k - 1].ping.size());
        EXPECT_EQ(static_cast<unsigned char>(h[320]), live.s.Gain);
        EXPECT_EQ(U32(h, 334), static_cast<std::uint32_t>(live.s.PulseLength));
        EXPECT_FLOAT_EQ(F32(h, 338), live.work.sound_velocity_current);
        EXPECT_FLOAT_EQ(F32(h, 342), live.s.Frequency * 1000.0f);
        EXPECT_EQ(U32(h, 353), 500u);
        EXPECT_EQ(static_cast<unsigned char>(h[351]) | static_cast<unsigned char>(h[352]) << 8,
                  120);
        EXPECT_EQ(recs[k].ping[0], 'T');
    }

    // Every ping byte for byte as the head sent it, none missing in between.
    std::uint64_t first = served + 1;
    for (std::uint64_t i = 0; i <= served; ++i) {
        if (Rebuild(recs[0].ping, i) == recs[0].ping) {
            first = i;
            break;
        }
    }
    ASSERT_LE(first, served) << "the first recorded ping matches no ping the head sent";
    for (std::size_t k = 1; k < recs.size(); ++k) {
        EXPECT_TRUE(Rebuild(recs[k].ping, first + k) == recs[k].ping) << "record " << k;
    }

    // The playback reader hands back the same pings and restores the live settings.
    VqsPlaybackFile reader;
    ASSERT_EQ(reader.Open(files[0]), VqsOpenStatus::Ok);
    reader.set_process_first_record(true);
    VqsRecordView view;
    std::size_t read = 0;
    while (reader.ReadNext(view) == VqsReadStatus::Record) {
        ASSERT_LT(read, recs.size());
        EXPECT_TRUE(std::equal(view.ping.begin(), view.ping.end(), recs[read].ping.begin(),
                               recs[read].ping.end()));
        const RecordedValues& v = reader.Values();
        EXPECT_EQ(v.gain, live.s.Gain);
        EXPECT_EQ(v.pulse_length_us, live.s.PulseLength);
        EXPECT_EQ(v.frequency_khz, live.s.Frequency);
        EXPECT_FLOAT_EQ(v.sound_velocity, live.work.sound_velocity_current);
        EXPECT_EQ(v.samples_per_beam, 500);
        EXPECT_EQ(v.xdcr, live.s.Xdcr);
        ++read;
    }
    EXPECT_EQ(read, recs.size());

    // Playback of the file through the same pipeline, record by record while held.
    e.Command(menu::kFile);
    ASSERT_TRUE(e.in_playback());
    e.KeyChar('H');
    EXPECT_EQ(e.DialogFor(menu::kPlaybackFile), FileDialogKind::Playback);
    ASSERT_TRUE(e.OpenPlaybackFile(files[0]));
    ASSERT_TRUE(e.Sync());
    ASSERT_TRUE(e.playback().open);
    const std::uint64_t before = e.stats().pings_processed;
    const std::uint64_t n = recs.size();
    ASSERT_TRUE(e.StepPlayback(static_cast<int>(n)));  // every record, not yet the end
    ASSERT_TRUE(e.Sync());
    EXPECT_EQ(e.playback().ends, 0u);
    ASSERT_TRUE(e.StepPlayback(1));
    ASSERT_TRUE(e.Sync());
    ASSERT_EQ(e.playback().ends, 1u);
    // The first record after opening is read but not shown.
    EXPECT_EQ(e.playback().records, n - 1);
    EXPECT_EQ(e.playback().records_at_end, n - 1);
    EXPECT_EQ(e.stats().pings_processed - before, n - 1);
    // It loops: the second pass again shows every record but the first.
    ASSERT_TRUE(e.StepPlayback(static_cast<int>(n + 1)));
    ASSERT_TRUE(e.Sync());
    EXPECT_EQ(e.playback().ends, 2u);
    EXPECT_EQ(e.playback().records, 2 * (n - 1));
    EXPECT_EQ(e.stats().pings_processed - before, 2 * (n - 1));
    // Released, it plays on by itself on the ping thread, never on this one.
    e.KeyChar('H');
    ASSERT_TRUE(WaitFor([&] { return e.playback().records > 2 * n; }));
    EXPECT_NE(e.ping_thread(), std::this_thread::get_id());
    EXPECT_EQ(e.stats().pipeline_thread_violations, 0u);
    // Nothing was written during playback.
    EXPECT_EQ(Recordings(dir.path()).size(), 1u);
    e.Shutdown();
}

TEST(EngineRecording, RecordingIsRefusedInPlaybackAndStopsWithTheSourceSwitch) {
    TempDir dir;
    dir.WriteLoopbackIni("AutoFilename=1\r\n");
    RecordingOperator op;
    Engine e(SimulatedRun(dir), op);
    e.Start();
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= 2; }));
    e.Command(menu::kRecord);
    const std::uint64_t base = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + 3; }));
    // Switching to playback closes the recording on a record boundary.
    e.Command(menu::kFile);
    const std::vector<fs::path> files = Recordings(dir.path());
    ASSERT_EQ(files.size(), 1u);
    const std::string bytes = test::ReadFile(files[0]);
    EXPECT_GE(SplitRecords(bytes).size(), 3u);
    e.Command(menu::kRecord);  // no recording while playing back
    EXPECT_EQ(Recordings(dir.path()).size(), 1u);
    EXPECT_EQ(test::ReadFile(files[0]), bytes);
    e.Shutdown();
}

// A live engine in its own directory that has made two automatically named recordings.
class EngineConversion : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_.WriteLoopbackIni("AutoFilename=1\r\nAutoFilenameType=0\r\n");
        engine_ = std::make_unique<Engine>(SimulatedRun(dir_), op);
        engine_->Start();
        RecordLive(*engine_, 4);
        RecordLive(*engine_, 6);
        files = Recordings(dir_.path());
        ASSERT_EQ(files.size(), 2u);
    }
    void TearDown() override { engine_->Shutdown(); }

    TempDir dir_;
    RecordingOperator op;
    std::unique_ptr<Engine> engine_;
    std::vector<fs::path> files;
};

TEST_F(EngineConversion, MenuConversionOfTwoRecordingsEndsWithConversionComplete) {
    Engine& e = *engine_;
    std::vector<std::size_t> counts;
    for (const fs::path& f : files) counts.push_back(SplitRecords(test::ReadFile(f)).size());

    e.Command(menu::kFile);
    EXPECT_EQ(e.DialogFor(menu::kConvertQ4P), FileDialogKind::ConvertQ4P);
    ASSERT_TRUE(e.CommandWithFiles(menu::kConvertQ4P, {files[0].string(), files[1].string()}));
    ASSERT_TRUE(WaitFor([&] { return Said(op, "Conversion Complete!"); }));
    for (const auto& m : op.messages()) {
        if (m.text == "Conversion Complete!") {
            EXPECT_EQ(m.title, "Convert .VQS Sonar File(s) To .Q4P Format");
        }
    }
    EXPECT_TRUE(e.output_files().empty());
    // Every record of each file became one 496-byte point record (120 beams, no intensities).
    for (std::size_t i = 0; i < files.size(); ++i) {
        fs::path q4p = files[i];
        q4p.replace_extension(".Q4P");
        ASSERT_TRUE(fs::exists(q4p)) << q4p;
        const std::string pts = test::ReadFile(q4p);
        EXPECT_EQ(pts.size(), counts[i] * 496) << q4p;
        for (std::size_t r = 0; r + 496 <= pts.size(); r += 496) {
            EXPECT_EQ(pts.compare(r, 3, "Q4P"), 0) << q4p << " record at " << r;
        }
    }
    // The last file plays on without writing.
    const std::string after = test::ReadFile(fs::path(files[1]).replace_extension(".Q4P"));
    const std::uint64_t played = e.playback().records;
    ASSERT_TRUE(WaitFor([&] { return e.playback().records >= played + 10; }));
    EXPECT_EQ(test::ReadFile(fs::path(files[1]).replace_extension(".Q4P")), after);
    EXPECT_EQ(e.stats().pipeline_thread_violations, 0u);
    e.Shutdown();
}

TEST_F(EngineConversion, OpeningAnotherFileOrGoingLiveEndsAConversion) {
    Engine& e = *engine_;
    const fs::path q4p0 = fs::path(files[0]).replace_extension(".Q4P");
    const fs::path q4p1 = fs::path(files[1]).replace_extension(".Q4P");

    e.Command(menu::kFile);
    e.KeyChar('H');  // record by record
    ASSERT_TRUE(e.StartConversion(ConversionTarget::Point, {files[0].string(), files[1].string()}));
    ASSERT_TRUE(e.Sync());
    ASSERT_EQ(e.output_files().size(), 1u);
    ASSERT_TRUE(e.StepPlayback(3));
    // The operator opens a file to look at: the batch ends, its output is closed.
    ASSERT_TRUE(e.OpenPlaybackFile(files[1]));
    ASSERT_TRUE(e.Sync());
    EXPECT_TRUE(e.output_files().empty());
    const std::string part = test::ReadFile(q4p0);
    EXPECT_EQ(part.size(), 3u * 496);
    ASSERT_TRUE(e.StepPlayback(40));
    ASSERT_TRUE(e.Sync());
    EXPECT_EQ(test::ReadFile(q4p0), part);
    EXPECT_FALSE(fs::exists(q4p1));
    EXPECT_FALSE(Said(op, "Conversion Complete!"));

    // A conversion left by switching to the live head writes no live ping into its file.
    ASSERT_TRUE(e.StartConversion(ConversionTarget::Point, {files[1].string()}));
    ASSERT_TRUE(e.Sync());
    ASSERT_EQ(e.output_files().size(), 1u);
    ASSERT_TRUE(e.StepPlayback(1));
    e.Command(menu::kHead);
    EXPECT_TRUE(e.output_files().empty());
    const std::string written = test::ReadFile(q4p1);
    const std::uint64_t base = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + 4; }));
    EXPECT_EQ(test::ReadFile(q4p1), written);
    e.Shutdown();
}

TEST(EngineRecording, PlayingA1000SampleRecordingLeavesTheLiveSampleCount) {
    TempDir rec_dir;
    rec_dir.WriteLoopbackIni("AutoFilename=1\r\n");
    fs::path recording;
    {
        RecordingOperator op;
        Engine e(SimulatedRun(rec_dir), op);
        e.Start();
        // 1000 samples per beam from the next command on (the program always starts at 500).
        e.Store().Update([](SettingsState& st) { st.s.DataPointsSwitch = 1; });
        const std::uint64_t base = e.stats().pings_processed;
        ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + 3; }));
        RecordLive(e, 4);
        e.Shutdown();
        const std::vector<fs::path> files = Recordings(rec_dir.path());
        ASSERT_EQ(files.size(), 1u);
        recording = files[0];
        const std::vector<RawRecord> recs = SplitRecords(test::ReadFile(recording));
        ASSERT_GE(recs.size(), 4u);
        EXPECT_EQ(U32(recs.back().header, 353), 1000u);
    }
    TempDir dir;
    dir.WriteLoopbackIni();
    RecordingOperator op;
    Engine e(SimulatedRun(dir), op);
    e.Start();
    e.Command(menu::kFile);
    e.KeyChar('H');
    ASSERT_TRUE(e.OpenPlaybackFile(recording));
    ASSERT_TRUE(e.StepPlayback(6));
    ASSERT_TRUE(e.Sync());
    ASSERT_GE(e.playback().records, 3u);
    e.Command(menu::kHead);
    EXPECT_EQ(e.Store().snapshot().s.DataPointsSwitch, 0);
    const std::uint64_t base = e.stats().pings_processed;
    ASSERT_TRUE(WaitFor([&] { return e.stats().pings_processed >= base + 2; }));
    e.Shutdown();
    EXPECT_NE(test::ReadFile(dir / "Vornax_Qi.INI").find("DataPointsSwitch=0"), std::string::npos);
}

}  // namespace
}  // namespace vq
