#include "sim/echo_synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "sim/le_bytes.h"

namespace vq::sim {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr float kDegToRad = static_cast<float>(std::numbers::pi / 180.0);
// Raw 16-bit counts of a unit scatterer at 1 m, before the profile's reference range scaling.
// Calibrated so that a receiver applying 20log10(r) + two-way absorption + start gain + 6 dB,
// scaling by 1.25e-6 and forming coherence-weighted beams at display gain 50 sees the seabed
// at the profile's reference range at roughly 80..200, and the demo targets far above it.
constexpr float kHeadGain = 19000.0f;
constexpr float kTargetUnit = 0.1f;  // amplitude of a point target of strength 1
constexpr float kMaxAngle = 80.0f * kDegToRad;
constexpr int kMaxSeabedCells = 20000;
constexpr int kWaterScatterers = 24;

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
float Unit(std::uint64_t h) {
    return static_cast<float>(h >> 40) * (1.0f / 16777216.0f);
}
// Rayleigh-distributed amplitude with unit mean square.
float Rayleigh(float u) {
    return std::sqrt(-std::log(1.0f - u * 0.999999f));
}

}  // namespace

struct EchoSynth::Ping {
    float S, R, dr;
    int n;
    float half_width;  // half the pulse envelope in metres
    double k2;         // two-way wavenumber 4*pi*f/c
    float psi_scale;   // (d/c)*2*pi*f
    float alpha_np;    // two-way amplitude absorption per metre (natural log)
    float source;      // raw counts of a unit scatterer at 1 m
    float y;           // along-track position of this ping
    std::uint64_t ping_seed;
};

EchoSynth::EchoSynth(const HeadProfile& profile, float sound_velocity, std::uint64_t seed)
    : profile_(profile),
      sound_velocity_(std::isfinite(sound_velocity) && sound_velocity > 100.0f ? sound_velocity
                                                                               : 1500.0f),
      seed_(seed),
      acc_(static_cast<std::size_t>(kMaxPoints) * kElements * 2, 0.0f),
      gain8_(kMaxPoints, 0.0f) {}

void EchoSynth::Synthesize(const PingSettings& s, const Scene& scene, std::uint64_t ping_index,
                           std::uint8_t* out) {
    Ping p{};
    p.S = s.range_offset_m;
    p.R = s.range_span_m;
    p.n = s.points;
    p.dr = p.R / static_cast<float>(p.n);
    p.half_width = std::clamp(sound_velocity_ * s.pulse_s * 0.5f, 1.5f * p.dr, 30.0f * p.dr);
    p.k2 = 2.0 * kTwoPi * s.frequency_hz / sound_velocity_;
    p.psi_scale =
        static_cast<float>(profile_.element_pitch_m / sound_velocity_ * kTwoPi * s.frequency_hz);
    p.alpha_np = s.absorption_db_per_m * 2.0f * std::log(10.0f) / 20.0f;
    p.source = kHeadGain * profile_.reference_range_m;
    const float drift = std::isfinite(scene.drift_m_per_ping) ? scene.drift_m_per_ping : 0.0f;
    p.y = static_cast<float>(static_cast<double>(ping_index) * drift);
    p.ping_seed = Mix(seed_ ^ Mix(ping_index + 0x51D));
    noise_state_ = p.ping_seed | 1u;

    std::fill(acc_.begin(), acc_.begin() + static_cast<std::ptrdiff_t>(p.n) * kElements * 2, 0.0f);
    if (s.transmit()) {
        if (scene.seabed) AddSeabed(p, scene);
        AddTargets(p, scene);
        if (scene.cylinder && scene.seabed) AddCylinder(p, scene);
        AddWaterColumn(p, scene);
    }
    AddReceiverNoise(p, scene);
    if (s.bits == 8) {
        for (int i = 0; i < p.n; ++i) {
            const float r = std::max(p.S + static_cast<float>(i) * p.dr, 0.02f * (p.S + p.R));
            float g_db = 20.0f * std::log10(r) + 2.0f * s.absorption_db_per_m * r +
                         static_cast<float>(s.gain_db) + 6.0f;
            g_db = std::min(g_db, 60.0f);
            gain8_[static_cast<std::size_t>(i)] = std::pow(10.0f, 0.05f * g_db) * 1.25e-4f;
        }
    }
    Quantize(p, s.bits, out);
}

// Adds one scatterer's echo to every element over the samples its pulse envelope covers.
void EchoSynth::AddScatterer(const Ping& p, float range, float sin_t, float cos_t, float amp,
                             float phase) {
    if (cos_t <= 0.0f || !(range > 0.0f)) return;
    const float lo = (range - p.half_width - p.S) / p.dr;
    const float hi = (range + p.half_width - p.S) / p.dr;
    if (hi < 0.0f || lo > static_cast<float>(p.n - 1)) return;
    const int s0 = std::max(0, static_cast<int>(std::ceil(lo)));
    const int s1 = std::min(p.n - 1, static_cast<int>(std::floor(hi)));
    if (s1 < s0) return;

    const float r_eff = std::max(range, 0.5f);
    const float gain =
        amp * (0.5f + 0.5f * cos_t) * p.source / (r_eff * r_eff) * std::exp(-p.alpha_np * range);
    const double turns = (-p.k2 * range + phase) / kTwoPi;
    const double total = (turns - std::floor(turns)) * kTwoPi;
    const float psi = sin_t * p.psi_scale;
    // v_k = exp(-j*(k - 8)*psi): start at k = 0 with exp(+j*8*psi), step by exp(-j*psi).
    const float a0 = static_cast<float>(total) + 8.0f * psi;
    float vr = gain * std::cos(a0), vi = gain * std::sin(a0);
    const float wr = std::cos(psi), wi = -std::sin(psi);
    float w[kElements * 2];
    for (int k = 0; k < kElements; ++k) {
        w[2 * k] = vr;
        w[2 * k + 1] = vi;
        const float nr = vr * wr - vi * wi;
        vi = vr * wi + vi * wr;
        vr = nr;
    }
    const float inv_w = 1.0f / p.half_width;
    for (int s = s0; s <= s1; ++s) {
        const float u = (p.S + static_cast<float>(s) * p.dr - range) * inv_w;
        const float e = (1.0f - u * u) * (1.0f - u * u);
        float* a = &acc_[static_cast<std::size_t>(s) * kElements * 2];
        for (int j = 0; j < kElements * 2; ++j) a[j] += e * w[j];
    }
}

namespace {

float Uniform(std::uint64_t& state) {
    state = Mix(state);
    return Unit(state);
}
int Round(float v) {
    return static_cast<int>(v >= 0.0f ? v + 0.5f : v - 0.5f);
}

// Approximately normal, unit variance.
float Gauss(std::uint64_t& state) {
    return (Uniform(state) + Uniform(state) + Uniform(state) - 1.5f) * 2.0f;
}

float DepthAt(const Scene& scene, float tan_slope, float x, float y) {
    const float d = scene.seabed_depth_m;
    const float along = d * (1.0f + 0.02f * std::sin(static_cast<float>(kTwoPi) * y / 23.0f));
    const float amp = std::isfinite(scene.ripple) ? std::clamp(scene.ripple, 0.0f, 0.2f) : 0.0f;
    const float ripple =
        amp * d * std::sin(static_cast<float>(kTwoPi) * x / (0.35f * d) + 0.7f * y);
    return along + x * tan_slope + ripple;
}

float TanSlope(const Scene& scene) {
    const float slope = std::isfinite(scene.slope_deg) ? scene.slope_deg : 0.0f;
    return std::tan(std::clamp(slope, -60.0f, 60.0f) * kDegToRad);
}

// A short cylinder lying on the seabed, across the fan, seen for 3 m of track every 12 m.
// `half_angle` is the half width of its acoustic shadow as seen from the head.
struct Cylinder {
    bool visible = false;
    float xc = 0, zc = 0, radius = 0, range = 0, theta = 0, half_angle = 0;
};

Cylinder CylinderFor(const Scene& scene, float y) {
    Cylinder c;
    if (!scene.cylinder || !scene.seabed || !(scene.seabed_depth_m > 0.0f)) return c;
    c.visible = std::fabs(std::remainder(y, 12.0f)) < 1.5f;
    const float d = scene.seabed_depth_m;
    c.radius = 0.03f * d;
    c.xc = 0.45f * d;
    c.zc = DepthAt(scene, TanSlope(scene), c.xc, y) - c.radius;
    c.range = std::hypot(c.xc, c.zc);
    c.theta = std::atan2(c.xc, c.zc);
    c.half_angle = std::asin(std::min(1.0f, c.radius / c.range));
    return c;
}

}  // namespace

void EchoSynth::AddSeabed(const Ping& p, const Scene& scene) {
    if (!(scene.seabed_depth_m > 0.0f) || !std::isfinite(scene.seabed_depth_m)) return;
    const float tan_b = TanSlope(scene);
    const float beta = std::atan(tan_b);
    const float rough = std::isfinite(scene.roughness_m) ? std::fabs(scene.roughness_m) : 0.0f;
    const float rmax = p.S + p.R + p.half_width;
    const float rmin = std::max(0.0f, p.S - p.half_width);
    const float dx = std::max(0.5f * p.dr, 2.0f * rmax / kMaxSeabedCells);
    // Echo energy per sample independent of pulse length and sample spacing, so that every
    // range and head gives a similar picture.
    const float amp_scale = std::sqrt(dx / p.half_width * 0.225f);
    const float min_cos = std::cos(kMaxAngle);
    const Cylinder cyl = CylinderFor(scene, p.y);
    const int cells = static_cast<int>(std::ceil(rmax / dx));
    for (int i = -cells; i < cells; ++i) {
        std::uint64_t h = seed_ ^ Mix(static_cast<std::uint64_t>(static_cast<std::int64_t>(i)) *
                                          0x9E3779B97F4A7C15ull +
                                      0xBEDull);
        const float x = (static_cast<float>(i) + Uniform(h)) * dx;
        const float z = DepthAt(scene, tan_b, x, p.y) + rough * Gauss(h);
        if (z <= 0.05f) continue;
        const float r2 = x * x + z * z;
        if (r2 > rmax * rmax || r2 < rmin * rmin) continue;
        const float r = std::sqrt(r2);
        const float cos_t = z / r;
        if (cos_t < min_cos) continue;
        const float theta = std::atan2(x, z);
        const float inc = theta + beta;
        float bs = 0.8f * std::sqrt(std::fabs(std::cos(inc)));
        if (std::fabs(inc) < 0.3f) bs += 0.3f * std::exp(-(inc * inc) / 0.01f);  // specular
        float amp = Rayleigh(Uniform(h)) * amp_scale * bs;
        if (cyl.visible && r > cyl.range && std::fabs(theta - cyl.theta) < cyl.half_angle) {
            amp *= 0.05f;  // acoustic shadow behind the cylinder
        }
        const float phase0 = Uniform(h);
        const float rate = 0.3f + 1.2f * Uniform(h);  // speckle decorrelates as the ship moves
        const float turns = phase0 + rate * p.y;
        const float phase = static_cast<float>(kTwoPi) * (turns - std::floor(turns));
        AddScatterer(p, r, x / r, cos_t, amp, phase);
    }
}

void EchoSynth::AddTargets(const Ping& p, const Scene& scene) {
    std::uint64_t h = seed_ ^ 0x7A59E7ull;
    for (const PointTarget& t : scene.targets) {
        const float phase = static_cast<float>(kTwoPi) * Uniform(h);
        if (!std::isfinite(t.angle_deg) || !std::isfinite(t.range_m) ||
            !std::isfinite(t.strength)) {
            continue;
        }
        const float th = std::clamp(t.angle_deg, -89.0f, 89.0f) * kDegToRad;
        AddScatterer(p, t.range_m, std::sin(th), std::cos(th), t.strength * kTargetUnit, phase);
    }
}

void EchoSynth::AddCylinder(const Ping& p, const Scene& scene) {
    const Cylinder c = CylinderFor(scene, p.y);
    if (!c.visible) return;
    // Scatterers on the half of the surface that faces the head.
    const float facing = std::atan2(-c.zc, -c.xc);
    std::uint64_t h = seed_ ^ 0xC711ull;
    constexpr int kPoints = 16;
    for (int j = 0; j < kPoints; ++j) {
        const float a = facing + (static_cast<float>(j) / (kPoints - 1) - 0.5f) * 2.5f;
        const float x = c.xc + c.radius * std::cos(a);
        const float z = c.zc + c.radius * std::sin(a);
        const float r = std::hypot(x, z);
        const float amp = 1.5f * Rayleigh(Uniform(h)) * kTargetUnit;
        AddScatterer(p, r, x / r, z / r, amp, static_cast<float>(kTwoPi) * Uniform(h));
    }
}

void EchoSynth::AddWaterColumn(const Ping& p, const Scene& scene) {
    if (!(scene.water_noise > 0.0f) || !std::isfinite(scene.water_noise)) return;
    std::uint64_t h = p.ping_seed ^ 0xFA7E5ull;
    for (int j = 0; j < kWaterScatterers; ++j) {
        const float th = (Uniform(h) - 0.5f) * 120.0f * kDegToRad;
        float r = p.S + Uniform(h) * p.R;
        const float amp = scene.water_noise * 2.0f * kTargetUnit * Rayleigh(Uniform(h));
        const float phase = static_cast<float>(kTwoPi) * Uniform(h);
        if (scene.seabed && scene.seabed_depth_m > 0.0f &&
            r * std::cos(th) > scene.seabed_depth_m) {
            continue;  // nothing swims below the seabed
        }
        AddScatterer(p, r, std::sin(th), std::cos(th), amp, phase);
    }
}

void EchoSynth::AddReceiverNoise(const Ping& p, const Scene& scene) {
    if (!(scene.receiver_noise > 0.0f) || !std::isfinite(scene.receiver_noise)) return;
    const float sigma = scene.receiver_noise * kHeadGain / profile_.reference_range_m * 0.5f;
    std::uint64_t st = noise_state_;
    const std::size_t count = static_cast<std::size_t>(p.n) * kElements * 2;
    for (std::size_t i = 0; i < count; ++i) {
        // Four 16-bit uniforms from one xorshift draw: approximately normal, unit variance.
        st ^= st << 13;
        st ^= st >> 7;
        st ^= st << 17;
        const float sum = static_cast<float>((st & 0xFFFF) + ((st >> 16) & 0xFFFF) +
                                             ((st >> 32) & 0xFFFF) + (st >> 48));
        acc_[i] += sigma * (sum * (1.0f / 65536.0f) - 2.0f) * 1.7320508f;
    }
    noise_state_ = st;
}

void EchoSynth::Quantize(const Ping& p, int bits, std::uint8_t* out) const {
    const float* a = acc_.data();
    if (bits == 8) {
        for (int s = 0; s < p.n; ++s) {
            const float g = gain8_[static_cast<std::size_t>(s)];
            for (int j = 0; j < kElements * 2; ++j) {
                float v = std::clamp(a[j] * g, -127.0f, 127.0f);
                if (v != v) v = 0.0f;
                out[j] = static_cast<std::uint8_t>(static_cast<std::int8_t>(Round(v)));
            }
            a += kElements * 2;
            out += kElements * 2;
        }
        return;
    }
    const std::size_t count = static_cast<std::size_t>(p.n) * kElements * 2;
    for (std::size_t i = 0; i < count; ++i) {
        float v = std::clamp(a[i], -32767.0f, 32767.0f);
        if (v != v) v = 0.0f;
        PutU16(out + 2 * i, static_cast<std::uint16_t>(static_cast<std::int16_t>(Round(v))));
    }
}

}  // namespace vq::sim
