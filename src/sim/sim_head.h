// The simulated sonar head: a TCP server on loopback that speaks the head's protocol and
// returns physically plausible element I/Q samples. Usable in-process (tests, --simulate)
// and as the stand-alone program vq-headsim.
//
// Protocol: every request (a 128-byte header, plus the 1024-byte switch block for packet 0)
// is answered with exactly one return packet of the size the header announces. The sample
// array (sample-major; per sample 16 element records of I then Q, i8 or little-endian i16)
// is split in order: packet 0 carries the first P - 2176 bytes at offset 2176, every later
// packet the next P - 128 bytes at offset 128, zeros after the end.
//
// Scene geometry and sign convention: angles lie in the fan plane, 0 = broadside (straight
// down for a down-looking head), positive toward positive across-track x; the seabed lies at
// depth seabed_depth_m + x * tan(slope_deg), plus a gentle ripple across track (Scene.ripple)
// and, while the scene drifts, a slow 2 % swell along track. Element record k of a wave from
// angle theta carries the phase -(k - 8) * sin(theta) * (d/c) * 2*pi*f (d = element pitch of
// the head's model, c = sound velocity, f = commanded frequency), so a beam former that applies
// exp(+j*(e - 8) * sin(theta_b) * (d/c) * 2*pi*f) to record e shows a target at +theta in
// its beam at +theta. Positive angles lie toward the element that sends the last record.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vq::sim {

enum class HeadKind {
    Standard260,     // 260 kHz standard head (default)
    LongRange120,    // 120 kHz long-range head
    HighFreq675,     // 675 kHz head
    FineResolution,  // native resolution 0.001 m
};

struct PointTarget {
    float angle_deg;  // steering angle in the fan plane, 0 = broadside
    float range_m;
    float strength;  // linear amplitude relative to the seabed scatterers
};

struct Scene {
    float seabed_depth_m = 20.0f;  // below the head along broadside
    float slope_deg = 0.0f;        // across-track slope of the seabed
    float roughness_m = 0.05f;
    float ripple = 0.01f;  // amplitude of the across-track ripple, as a fraction of the depth
    std::vector<PointTarget> targets;
    bool cylinder = true;            // a short cylinder lying on the seabed
    float drift_m_per_ping = 0.02f;  // the vessel moves on: the scene drifts slowly
    float water_noise = 0.02f;
    float receiver_noise = 0.01f;
    bool seabed = true;  // false: targets and noise only
};

// Faults for the link's tests; each counts packets served since it was armed. "After K
// packets" means K packets are answered normally and the fault strikes the next one; each
// fault strikes once. A refusal closes the listening socket, so connection attempts are
// refused, and opens it again when the time is over.
struct Faults {
    int close_after_packets = -1;             // close the connection after K more packets
    int bad_header_after_packets = -1;        // the K-th next packet has a wrong header byte
    int wrong_number_after_packets = -1;      // the K-th next packet carries a wrong packet number
    double stall_seconds = 0.0;               // before answering the next request, stall this long
    double refuse_seconds = 0.0;              // refuse (close at once) connections for this long
    int close_mid_packet_after_packets = -1;  // the K-th next packet is cut in the middle
};

struct Options {
    std::string bind = "127.0.0.1";
    std::uint16_t port = 4040;  // 0 = ephemeral
    bool allow_remote = false;  // refuse a non-loopback bind unless set
    HeadKind head = HeadKind::Standard260;
    int serial = -1;  // overrides the profile's serial number when >= 0
    float sound_velocity = 1500.0f;
    std::uint64_t seed = 1;
    bool pacing = true;  // realistic ping rate; false = answer as fast as possible
    Scene scene;
};

// Builds, without any socket, the ping buffer a link would assemble for one ping: the
// 1152-byte command for packet 0, return packet 0, then for each later packet its 128-byte
// request header followed by the return packet. `ping_index` advances the scene's drift.
// Also returns the sample array of the ping when `samples` is given.
//
// The ping buffer is limited to 75000 bytes as the link's is. An empty result means the
// command was not a valid command (wrong magic, size or packet size).
std::vector<std::uint8_t> BuildPingBufferOffline(const Options& options,
                                                 const std::vector<std::uint8_t>& command1152,
                                                 std::uint64_t ping_index,
                                                 std::vector<std::uint8_t>* samples = nullptr);

// A scene with a few point targets and the cylinder, at a depth that suits the head.
Scene DemoScene(HeadKind head);

class SimHead {
  public:
    explicit SimHead(Options options);
    ~SimHead();  // stops the server
    SimHead(const SimHead&) = delete;
    SimHead& operator=(const SimHead&) = delete;

    // Binds and starts serving on a thread of its own. False with a reason on failure.
    bool Start(std::string* error = nullptr);
    void Stop();
    std::uint16_t port() const;  // the bound port (the ephemeral one when 0 was asked)

    void Arm(const Faults& faults);      // thread-safe
    void set_scene(const Scene& scene);  // thread-safe, applies from the next ping

    std::uint64_t pings_served() const;  // complete pings (last packet handed to the socket)
    std::uint64_t requests_received() const;
    std::uint64_t packets_served() const;  // return packets handed to the socket
    std::uint64_t connections_accepted() const;
    // The sample array (sample-major, 16 elements, I then Q, as sent) of the last complete ping.
    std::vector<std::uint8_t> last_ping_samples() const;
    // The command (128-byte request header and 1024-byte switch block) of the last packet-0
    // request received; empty before the first.
    std::vector<std::uint8_t> last_command() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vq::sim
