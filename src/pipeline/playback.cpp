#include "pipeline/playback.h"

#include "platform/byte_order.h"

namespace vq {

PlaybackDriver::PlaybackDriver(SettingsStore& store, Operator& op, PingPipeline& pipeline,
                               PingOutputs& outputs)
    : store_(store), op_(op), pipeline_(pipeline), outputs_(outputs) {}

bool PlaybackDriver::Open(const std::filesystem::path& path) {
    // A file opened by the operator ends a running conversion: its outputs must not receive
    // the pings of another file.
    if (converting_) CloseOutputs();
    batch_.Cancel();
    converting_ = false;
    stopped_at_end_ = false;
    file_.set_process_first_record(false);
    if (frames_) frames_->Clear();  // the frames of the previous file go
    const bool ok = OpenForPlayback(file_, path, op_) == VqsOpenStatus::Ok;
    if (ok) opened_.fetch_add(1);
    PublishFile();
    if (!ok) return false;
    // Playback starts with the tilt of the recording and half range off.
    file_.Values().tilt_changed_by_operator = false;
    operator_sound_velocity_ = false;
    store_.Update([](SettingsState& st) {
        st.s.ProfileTiltAngle = 0.0f;
        st.s.HalfRange = 0;
    });
    return true;
}

bool PlaybackDriver::OpenForConversion(const std::filesystem::path& path,
                                       const std::vector<ConversionOutput>& outputs) {
    stopped_at_end_ = false;
    const bool ok = vq::OpenForConversion(file_, outputs_.Recording(), path, outputs, op_);
    if (ok) opened_.fetch_add(1);
    PublishFile();
    if (!ok) return false;
    converting_ = true;
    file_.set_process_first_record(true);  // a conversion drops no ping
    next_.Close();
    if (lookahead_ && next_.Open(file_.path(), VqsOpenCheck::MagicOnly) == VqsOpenStatus::Ok)
        next_.set_process_first_record(true);
    for (const ConversionOutput& o : outputs) {
        if (o.kind == OutputKind::Xtf) outputs_.StartXtf();
        if (o.kind == OutputKind::Csv || o.kind == OutputKind::Xyz) outputs_.StartSoundings();
    }
    return true;
}

void PlaybackDriver::Close() {
    // Leaving playback ends a conversion; live pings never go into its files.
    if (converting_) CloseOutputs();
    converting_ = false;
    batch_.Cancel();
    file_.Close();
    next_.Close();
    // The sample count of a recording is the head's setting only while it plays.
    if (live_points_switch_ >= 0) {
        const int live = live_points_switch_;
        store_.Update([live](SettingsState& st) { st.s.DataPointsSwitch = live; });
        live_points_switch_ = -1;
    }
    outputs_.set_playback_record(nullptr);
    if (frames_) frames_->Clear();
    PublishFile();
}

void PlaybackDriver::PublishFile() {
    {
        std::lock_guard lock(status_m_);
        status_open_ = file_.is_open();
        status_file_ = file_.is_open() ? file_.path().string() : std::string();
        status_batch_ = batch_.running();
    }
    PublishPosition();
}

void PlaybackDriver::PublishPosition() {
    position_.store(file_.is_open() ? file_.position() : 0, std::memory_order_relaxed);
    size_.store(file_.is_open() ? file_.file_size() : 0, std::memory_order_relaxed);
}

PlaybackSnapshot PlaybackDriver::snapshot() const {
    PlaybackSnapshot s;
    {
        std::lock_guard lock(status_m_);
        s.open = status_open_;
        s.file = status_file_;
        s.batch_running = status_batch_;
        s.ends = ends_.load();
        s.records_at_end = records_at_end_.load();
    }
    s.records = records_.load();
    s.opened = opened_.load();
    const std::uint64_t size = size_.load(std::memory_order_relaxed);
    const std::uint64_t pos = position_.load(std::memory_order_relaxed);
    s.progress = size == 0 ? 0.0 : static_cast<double>(pos) / static_cast<double>(size);
    return s;
}

bool PlaybackDriver::WaitForEnd(std::uint64_t ends, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(status_m_);
    return end_cv_.wait_for(lock, timeout, [&] { return ends_.load() >= ends; });
}

// The settings a record header carries, as playback restores them.
void PlaybackDriver::ApplyRecordedValues() {
    const RecordedValues& v = file_.Values();
    store_.Update([&v, this](SettingsState& st) {
        if (live_points_switch_ < 0) live_points_switch_ = st.s.DataPointsSwitch;
        st.s.Xdcr = v.xdcr;
        st.s.Gain = v.gain;
        if (!v.tilt_changed_by_operator) st.s.ProfileTiltAngle = v.tilt_deg;
        st.work.range_offset_m = v.range_offset_m;
        st.head.absorption_code = v.absorption_code;
        st.s.PulseLength = v.pulse_length_us;
        // A speed entered in "Sound Velocity" during playback replaces the recorded one; one
        // set by external control outlasts the records too.
        if (!operator_sound_velocity_) {
            st.work.sound_velocity_current =
                st.work.sound_velocity_override ? st.work.sound_velocity_manual : v.sound_velocity;
        }
        st.s.DataPointsSwitch = v.samples_per_beam == 1000 ? 1 : 0;
    });
}

void PlaybackDriver::CloseOutputs() {
    for (OutputKind k : kOutputKinds) outputs_.Recording().CloseOutput(k);
}

void PlaybackDriver::EndOfFile() {
    {
        std::lock_guard lock(status_m_);
        records_at_end_.store(records_.load());
        ends_.fetch_add(1);
    }
    end_cv_.notify_all();
    if (stop_at_end_) stopped_at_end_ = true;
    if (!converting_) return;
    CloseOutputs();
    converting_ = false;
    if (batch_.running()) {
        if (std::optional<std::string> next = batch_.Next(op_)) {
            OpenForConversion(*next, TargetOutputs(*next, batch_.target()));
        } else {
            file_.set_process_first_record(false);  // the last file plays on without output
        }
    }
    PublishFile();
}

int PlaybackDriver::Turn(bool paced) {
    if (!wants_turn()) return -1;
    VqsRecordView view;
    if (file_.ReadNext(view) == VqsReadStatus::EndOfFile) {
        EndOfFile();
        PublishPosition();
        return 0;
    }
    PublishPosition();
    if (outputs_.Recording().copying()) outputs_.Recording().CopyRecord(view.bytes);
    if (!view.process) return 0;
    // A camera frame is shown with the record that follows it.
    if (frames_ && !converting_ && !view.frame.empty()) frames_->Publish(view.frame);
    ApplyRecordedValues();
    PingInput in;
    in.context.playback = true;
    in.context.recording_version = file_.version();
    in.context.pipelined = file_.Values().pipelined;
    // The packet size in force is the one the recorded command asked for.
    if (view.ping.size() >= 16)
        in.context.packet_size = byte_order::GetU32Le(view.ping.data() + 12);
    in.recorded_interval_ms = file_.Values().ping_interval_ms;
    in.recorded_frequency_khz = file_.Values().frequency_khz;
    if (converting_ && next_.is_open()) {
        next_.Seek(file_.position());
        VqsRecordView ahead;
        if (next_.ReadNext(ahead) == VqsReadStatus::Record && ahead.ping.size() >= 16) {
            in.next_ping = ahead.ping;
            in.next_context = in.context;
            in.next_context.pipelined = next_.Values().pipelined;
            in.next_context.packet_size = byte_order::GetU32Le(ahead.ping.data() + 12);
        }
    }
    outputs_.set_playback_record(&file_.Values());
    pipeline_.Process(view.ping.data(), view.ping.size(), in);
    records_.fetch_add(1);
    if (!paced) return 0;
    const Settings s = store_.Read([](const SettingsState& st) { return st.s; });
    if (s.RealtimePlayback) {
        const PipelineStats st = pipeline_.stats();
        return RealtimeSleepMs(file_.Values().ping_interval_ms, st.beamforming_ms, st.drawing_ms);
    }
    return s.PlaybackDelay >= 1 ? s.PlaybackDelay : 0;
}

void PlaybackDriver::KeepOperatorTilt() {
    file_.Values().tilt_changed_by_operator = true;
}

bool PlaybackDriver::Jump(int percent) {
    const bool moved = file_.JumpToPercent(percent);
    PublishPosition();
    return moved;
}

bool PlaybackDriver::StartBatch(ConversionTarget target, std::vector<std::string> paths) {
    std::optional<std::string> first = batch_.Start(target, std::move(paths));
    if (!first) return false;
    const ForcedSettings f = ForcedSettingsFor(target);
    store_.Update([&f](SettingsState& st) {
        st.s.ProfilePointDetection = f.ProfilePointDetection;
        st.s.DataOutputType = f.DataOutputType;
    });
    const bool ok = OpenForConversion(*first, TargetOutputs(*first, target));
    PublishFile();
    return ok;
}

}  // namespace vq
