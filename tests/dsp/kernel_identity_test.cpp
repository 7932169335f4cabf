// The fast beam-forming kernels give the same bits as the reference kernels of the same
// instruction set: whole pings of the simulated head through the beam former (every mode,
// 500 and 1000 samples, 480/240/120 beams, averaging and the detection hook on), and the
// kernel alone on hostile inputs (huge, zero and negative values, odd ranges, any scale).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "dsp/byte_image.h"
#include "dsp/sim_ping.h"

namespace vq {
namespace {

using dsp::KernelIsa;
using dsp::KernelVariant;

// The instruction sets this processor runs (the generic one always).
std::vector<KernelIsa> AvailableIsas() {
    std::vector<KernelIsa> out{KernelIsa::kGeneric};
    if (std::string(dsp::SelectBeamKernel(KernelIsa::kAvx2).isa) == "avx2")
        out.push_back(KernelIsa::kAvx2);
    if (std::string(dsp::SelectBeamKernel(KernelIsa::kAvx512).isa) == "avx512")
        out.push_back(KernelIsa::kAvx512);
    return out;
}

// Keeps what detection would see: the formed beams before centring.
class FormedCopy : public FormedBeamsHook {
  public:
    void OnFormed(BeamData& beams, const BeamGeometry& g) override {
        rows.clear();
        for (int b = 0; b < g.NumBeamsFormed && b < kMaxBeams; ++b)
            rows.insert(rows.end(), beams.Row(b), beams.Row(b) + g.NumSamples);
        beams.At(g.NumBeamsFormed / 2, 7) = 1234.5f;  // detection marks the beams it reads
    }
    std::vector<float> rows;
};

struct PingCase {
    int mode, points, step, format, model_code, avg;
};

// Pings of the simulated head (seabed, cylinder, targets, noise), made once per shape.
const std::vector<std::uint8_t>& SimPingOnce(const test::CommandSpec& spec, int ping) {
    static std::map<std::tuple<int, int, int>, std::vector<std::uint8_t>> cache;
    auto& buf = cache[{spec.format, spec.points, ping}];
    if (buf.empty()) buf = test::SimPing(sim::Options{}, spec, static_cast<std::uint64_t>(ping));
    return buf;
}

std::string Describe(const PingCase& c, KernelIsa isa) {
    return "isa " + std::to_string(static_cast<int>(isa)) + " mode " + std::to_string(c.mode) +
           " points " + std::to_string(c.points) + " step " + std::to_string(c.step) + " format " +
           std::to_string(c.format) + " model " + std::to_string(c.model_code) + " avg " +
           std::to_string(c.avg);
}

// Forms three consecutive pings with both variants and compares the kept beams, the formed
// beams the hook saw and the kernel names bit for bit.
void CompareChains(const PingCase& c, KernelIsa isa) {
    SCOPED_TRACE(Describe(c, isa));
    test::CommandSpec spec;
    spec.format = c.format;
    spec.points = c.points;
    test::Chain fast, ref;
    FormedCopy fast_hook, ref_hook;
    fast.former.set_kernel(isa, KernelVariant::kFast);
    ref.former.set_kernel(isa, KernelVariant::kReference);
    fast.former.set_hook(&fast_hook);
    ref.former.set_hook(&ref_hook);
    ASSERT_EQ(std::string(fast.former.kernel_isa()) + "-ref", ref.former.kernel_isa());
    for (test::Chain* ch : {&fast, &ref}) {
        ASSERT_TRUE(ch->Parse(SimPingOnce(spec, 0), spec));
        ch->Adopt();
        ch->st.head.model_code = c.model_code;
        ch->st.s.ProcessingMode = c.mode;
        ch->st.s.StepSize = c.step;
        ch->st.s.SectorSize = 3;
        ch->st.s.AvgFilter = c.avg > 0 ? 1 : 0;
        ch->st.s.AvgFilterIndex = c.avg;
        ch->st.s.ProfilePointDetection = 1;
        ch->st.s.GainEqualization = c.step == 1 ? 1 : 0;
        ch->Setup();
    }
    for (int ping = 0; ping < 3; ++ping) {
        for (test::Chain* ch : {&fast, &ref}) {
            ASSERT_TRUE(ch->Parse(SimPingOnce(spec, ping), spec));
            ch->Form();
        }
        const BeamGeometry& g = fast.former.geometry();
        ASSERT_EQ(g.NumBeams, ref.former.geometry().NumBeams);
        ASSERT_EQ(g.NumSamples, c.points);
        int differing = 0;
        double peak = 0.0;
        for (int b = 0; b < g.NumBeams; ++b) {
            const float* x = fast.former.Beams().Row(b);
            const float* y = ref.former.Beams().Row(b);
            differing += std::memcmp(x, y, sizeof(float) * static_cast<std::size_t>(c.points)) != 0;
            for (int s = 0; s < c.points; ++s) peak = std::max(peak, static_cast<double>(y[s]));
        }
        EXPECT_EQ(differing, 0) << "ping " << ping;
        EXPECT_GT(peak, 0.0);  // the comparison saw echoes, not an empty fan
        ASSERT_EQ(fast_hook.rows.size(), ref_hook.rows.size());
        EXPECT_EQ(0, std::memcmp(fast_hook.rows.data(), ref_hook.rows.data(),
                                 sizeof(float) * fast_hook.rows.size()));
    }
}

TEST(FastKernels, FormWholePingsBitForBitLikeTheReference) {
    for (KernelIsa isa : AvailableIsas())
        for (int mode = 0; mode <= 3; ++mode)
            for (int points : {500, 1000})
                for (int step : {0, 1, 2}) CompareChains({mode, points, step, 11, 4, 0}, isa);
}

TEST(FastKernels, MatchTheReferenceWithEightBitDataAveragingAndTheBottomWindow) {
    for (KernelIsa isa : AvailableIsas()) {
        CompareChains({0, 1000, 0, 11, 4, 3}, isa);  // averaged by the kernel on the way out
        CompareChains({1, 1000, 1, 11, 4, 9}, isa);
        CompareChains({2, 500, 0, 10, 4, 3}, isa);
        CompareChains({3, 1000, 1, 11, 4, 5}, isa);
        CompareChains({1, 1000, 0, 11, 5, 0}, isa);  // model 5: the bottom window
        CompareChains({1, 500, 2, 10, 5, 3}, isa);
    }
}

// Kernel inputs written directly: element rows, weights and gains drawn at random.
struct RawInput {
    int elements = 16, beams = 0;
    std::vector<float> scaled_i, scaled_q, steer_cos, steer_sin, gain_eq;

    RawInput(int num_elements, int num_beams, std::mt19937& rng, float magnitude)
        : elements(num_elements),
          beams(num_beams),
          scaled_i(static_cast<std::size_t>(num_elements) * dsp::kScaledStride, 0.0f),
          scaled_q(scaled_i.size(), 0.0f),
          steer_cos(static_cast<std::size_t>(num_beams) * kMaxElements, 0.0f),
          steer_sin(steer_cos.size(), 0.0f),
          gain_eq(static_cast<std::size_t>(num_beams), 1.0f) {
        std::normal_distribution<float> n(0.0f, magnitude);
        std::uniform_real_distribution<float> u(-1.3f, 1.3f);
        for (int e = 0; e < num_elements; ++e)
            for (int s = 0; s < 1000; ++s) {
                const std::size_t i = static_cast<std::size_t>(e) * dsp::kScaledStride + s;
                scaled_i[i] = s % 97 == 0 ? 0.0f : n(rng);
                scaled_q[i] = s % 89 == 0 ? -0.0f : n(rng);
            }
        for (std::size_t i = 0; i < steer_cos.size(); ++i) {
            steer_cos[i] = i % 29 == 0 ? -0.0f : u(rng);
            steer_sin[i] = i % 31 == 0 ? 0.0f : u(rng);
        }
        for (std::size_t b = 0; b < gain_eq.size(); ++b) gain_eq[b] = 1.0f + 0.01f * b;
    }
    dsp::KernelArgs Args(dsp::KernelOutput out, float scale, int b0, int b1, int s0, int s1) const {
        dsp::KernelArgs a;
        a.scaled_i = scaled_i.data();
        a.scaled_q = scaled_q.data();
        a.num_elements = elements;
        a.steer_cos = steer_cos.data();
        a.steer_sin = steer_sin.data();
        a.steer_stride = kMaxElements;
        a.gain_eq = gain_eq.data();
        a.beam_begin = b0;
        a.beam_end = b1;
        a.s_begin = s0;
        a.s_end = s1;
        a.output = out;
        a.coherence_scale = scale;
        a.out_stride = 1010;
        return a;
    }
};

// Runs both kernels into outputs prefilled with a marker and compares every byte, so that a
// write outside [s_begin, s_end) or a missing write shows too.
int CountDifferences(dsp::BeamKernelFn fast, dsp::BeamKernelFn ref, dsp::KernelArgs a) {
    const std::size_t size = static_cast<std::size_t>(a.beam_end - a.beam_begin) * 1010;
    std::vector<float> fa(size, 77.0f), fb(size, 77.0f), ra(size, 77.0f), rb(size, 77.0f);
    const bool two = a.output == dsp::KernelOutput::kSplitProducts;
    a.out_a = fa.data();
    a.out_b = two ? fb.data() : nullptr;
    fast(a);
    a.out_a = ra.data();
    a.out_b = two ? rb.data() : nullptr;
    ref(a);
    int diff = 0;
    for (std::size_t i = 0; i < size; ++i) {
        diff += std::memcmp(&fa[i], &ra[i], 4) != 0;
        diff += std::memcmp(&fb[i], &rb[i], 4) != 0;
    }
    return diff;
}

TEST(FastKernels, MatchTheReferenceOnHostileInputsAndOddRanges) {
    using dsp::KernelOutput;
    std::mt19937 rng(11);
    const KernelOutput outputs[] = {KernelOutput::kFullPower,     KernelOutput::kMagnitude,
                                    KernelOutput::kSplitProducts, KernelOutput::kCoherence,
                                    KernelOutput::kPoly2,         KernelOutput::kPoly3};
    struct Range {
        int elements, b0, b1, s0, s1;
    } ranges[] = {{16, 0, 21, 0, 999},
                  {16, 3, 4, 1, 998},
                  {2, 5, 18, 17, 283},
                  {64, 0, 9, 0, 1000},
                  {8, 1, 12, 479, 1000}};
    // Magnitudes from silence to values whose squares overflow; scales of every sign.
    const float magnitudes[] = {1e-20f, 0.05f, 3.0f, 4e18f};
    const float scales[] = {30.0f, 0.6f, 0.0f, -6.0f};
    for (KernelIsa isa : AvailableIsas()) {
        const auto fast = dsp::SelectBeamKernel(isa, KernelVariant::kFast);
        const auto ref = dsp::SelectBeamKernel(isa, KernelVariant::kReference);
        for (const Range& r : ranges)
            for (float mag : magnitudes) {
                const RawInput in(r.elements, 24, rng, mag);
                for (KernelOutput out : outputs)
                    for (float scale : scales) {
                        SCOPED_TRACE(testing::Message()
                                     << fast.isa << " output " << static_cast<int>(out) << " mag "
                                     << mag << " scale " << scale << " beams " << r.b0 << ".."
                                     << r.b1 << " samples " << r.s0 << ".." << r.s1);
                        EXPECT_EQ(0, CountDifferences(fast.fn, ref.fn,
                                                      in.Args(out, scale, r.b0, r.b1, r.s0, r.s1)));
                    }
            }
    }
}

// The polynomial modes skip the polynomial where Re <= 0 and write 0: right only because p2
// and p3 stay positive for every coherence 0 <= W <= 1. Two elements with B = A e^{j phi}
// give W = cos^2 phi; phi sweeps every W, with Re < 0 on half of the sweep.
TEST(FastKernels, PolynomialModesGiveZeroWhereReIsNegativeForEveryCoherence) {
    constexpr int kBeams = 600, kSamples = 1000;
    std::vector<float> si(2 * dsp::kScaledStride, 0.0f), sq(si.size(), 0.0f);
    std::vector<float> wc(kBeams * kMaxElements, 0.0f), ws(wc.size(), 0.0f), geq(kBeams, 1.0f);
    for (int b = 0; b < kBeams; ++b) wc[b * kMaxElements] = wc[b * kMaxElements + 1] = 1.0f;
    // Beam b shifts the phase of the right element by a small step of its own, so that
    // beam b, sample s sees phi = 2 pi (s + b / 600) / 1000.
    for (int s = 0; s < kSamples; ++s) {
        si[s] = 1.0f;  // A = 1
        const double phi = 2.0 * std::numbers::pi * s / kSamples;
        si[dsp::kScaledStride + s] = static_cast<float>(std::cos(phi));
        sq[dsp::kScaledStride + s] = static_cast<float>(std::sin(phi));
    }
    for (int b = 0; b < kBeams; ++b) {
        const double d = 2.0 * std::numbers::pi * b / (kBeams * kSamples);
        wc[b * kMaxElements + 1] = static_cast<float>(std::cos(d));
        ws[b * kMaxElements + 1] = static_cast<float>(std::sin(d));
    }
    for (KernelIsa isa : AvailableIsas())
        for (auto out : {dsp::KernelOutput::kPoly2, dsp::KernelOutput::kPoly3}) {
            dsp::KernelArgs a;
            a.scaled_i = si.data();
            a.scaled_q = sq.data();
            a.num_elements = 2;
            a.steer_cos = wc.data();
            a.steer_sin = ws.data();
            a.steer_stride = kMaxElements;
            a.gain_eq = geq.data();
            a.beam_end = kBeams;
            a.s_end = kSamples;
            a.output = out;
            a.coherence_scale = 6.0f;
            a.out_stride = kSamples;
            std::vector<float> fast(kBeams * kSamples), ref(fast.size());
            a.out_a = fast.data();
            dsp::SelectBeamKernel(isa, KernelVariant::kFast).fn(a);
            a.out_a = ref.data();
            dsp::SelectBeamKernel(isa, KernelVariant::kReference).fn(a);
            int zeros = 0, differing = 0;
            for (std::size_t i = 0; i < fast.size(); ++i) {
                zeros += ref[i] == 0.0f;
                differing += std::memcmp(&fast[i], &ref[i], 4) != 0;
            }
            EXPECT_EQ(differing, 0) << static_cast<int>(out);
            EXPECT_NEAR(zeros, kBeams * kSamples / 2, kBeams * 4);  // Re < 0 on half the sweep
        }
}

}  // namespace
}  // namespace vq

namespace vq {
namespace {

// The byte image 16 cells at a time against the cell-by-cell first form, for every rule and
// sample count, with values around every edge of the clipping (NaN, infinities, -0, 254.5).
TEST(FastByteImage, MatchesTheCellByCellFormForEveryRule) {
    auto beams = std::make_unique<BeamData>();
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> u(-20.0f, 300.0f);
    const float edges[] = {std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           -0.0f,
                           0.0f,
                           0.49f,
                           0.5f,
                           -0.5f,
                           254.5f,
                           254.99f,
                           255.0f,
                           255.5f,
                           1e30f};
    for (int b = 0; b < kMaxBeams; ++b)
        for (int s = 0; s < kBeamRowLength; ++s)
            beams->At(b, s) = (s + b) % 7 == 0 ? edges[(s * 3 + b) % 13] : u(rng);
    for (ByteImageRule rule : {ByteImageRule::kA, ByteImageRule::kB, ByteImageRule::kC})
        for (int samples : {1000, 500, 999, 37}) {
            auto fast = std::make_unique<BeamByteImage>(), ref = std::make_unique<BeamByteImage>();
            FillBeamByteImage(*beams, 479, samples, rule, *fast);
            FillBeamByteImageReference(*beams, 479, samples, rule, *ref);
            EXPECT_EQ(0, std::memcmp(fast->data(), ref->data(), fast->size()))
                << static_cast<int>(rule) << " " << samples;
            int saturated = 0;
            for (std::size_t i = 0; i < fast->size(); ++i) saturated += fast->data()[i] == 255;
            EXPECT_GT(saturated, 100);  // the clipping was exercised
        }
}

}  // namespace
}  // namespace vq

namespace vq {
namespace {

// Beam forming shared among 2 or 3 threads gives the beams of one thread, bit for bit, over
// pings with averaging (the averaging history runs on) in every mode and the bottom window.
TEST(SharedBeamForming, GivesTheBeamsOfOneThread) {
    struct Case {
        int mode, points, model_code, avg;
    } cases[] = {{0, 1000, 4, 3}, {1, 1000, 4, 5}, {2, 500, 4, 0}, {3, 1000, 4, 3}, {1, 500, 5, 3}};
    for (int threads : {2, 3}) {
        WorkSplit split(threads);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "threads " << threads << " mode " << c.mode
                                            << " model " << c.model_code);
            test::CommandSpec spec;
            spec.points = c.points;
            test::Chain one, many;
            many.former.set_work_split(&split);
            for (test::Chain* ch : {&one, &many}) {
                ASSERT_TRUE(ch->Parse(SimPingOnce(spec, 0), spec));
                ch->Adopt();
                ch->st.head.model_code = c.model_code;
                ch->st.s.ProcessingMode = c.mode;
                ch->st.s.StepSize = 0;
                ch->st.s.AvgFilter = c.avg > 0;
                ch->st.s.AvgFilterIndex = c.avg;
                ch->Setup();
            }
            for (int ping = 0; ping < 3; ++ping) {
                for (test::Chain* ch : {&one, &many}) {
                    ASSERT_TRUE(ch->Parse(SimPingOnce(spec, ping), spec));
                    ch->Form();
                }
                const BeamGeometry& g = one.former.geometry();
                int differing = 0;
                for (int b = 0; b < g.NumBeams; ++b)
                    differing +=
                        std::memcmp(one.former.Beams().Row(b), many.former.Beams().Row(b),
                                    sizeof(float) * static_cast<std::size_t>(c.points)) != 0;
                EXPECT_EQ(differing, 0) << "ping " << ping;
            }
        }
    }
}

}  // namespace
}  // namespace vq

namespace vq {
namespace {

// Beams formed ahead for the next ping are those it forms itself: taken when its inputs are
// the same, dropped when a setting (display gain, mode, transducer orientation) or the ping
// itself changed, with the same beams either way.
TEST(SpeculativeBeamForming, GivesTheBeamsFormedInTurn) {
    WorkSplit split(2);
    test::CommandSpec spec;
    spec.points = 1000;
    test::Chain plain, ahead;
    ahead.former.set_work_split(&split);
    for (test::Chain* ch : {&plain, &ahead}) {
        ASSERT_TRUE(ch->Parse(SimPingOnce(spec, 0), spec));
        ch->Adopt();
        ch->st.s.StepSize = 0;
        ch->st.s.AvgFilter = 1;
        ch->st.s.AvgFilterIndex = 3;
        ch->st.s.ProcessingMode = 3;
        ch->Setup();
    }
    // Ping k is followed by ping k + 1; before pings 3, 4 and 5 a setting changes.
    PingParser next;
    for (int ping = 0; ping < 6; ++ping) {
        for (test::Chain* ch : {&plain, &ahead}) {
            if (ping == 3) ch->st.s.DisplayGain = 70;
            if (ping == 4) ch->st.s.ProcessingMode = 1;
            if (ping == 5) ch->st.s.Xdcr = 1 - ch->st.s.Xdcr;
            ASSERT_TRUE(ch->Parse(SimPingOnce(spec, ping), spec));
            ch->Form();
        }
        ParseContext pc;
        pc.packet_size = spec.packet_size();
        const auto& bytes = SimPingOnce(spec, ping + 1);
        ASSERT_TRUE(next.Parse(bytes.data(), bytes.size(), pc));
        ahead.former.Speculate(next.samples(), next.gathered_bytes(), ahead.format, ahead.st.s.Xdcr,
                               ahead.st);
        const BeamGeometry& g = plain.former.geometry();
        int differing = 0;
        for (int b = 0; b < g.NumBeams; ++b)
            differing += std::memcmp(plain.former.Beams().Row(b), ahead.former.Beams().Row(b),
                                     sizeof(float) * 1000) != 0;
        EXPECT_EQ(differing, 0) << "ping " << ping;
    }
    // Pings 1, 2 came from speculations; those before 3, 4, 5 were dropped.
    EXPECT_EQ(ahead.former.speculations_used(), 2u);
    EXPECT_EQ(ahead.former.speculations_dropped(), 3u);
}

}  // namespace
}  // namespace vq
