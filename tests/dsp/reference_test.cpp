// The production beam former against a plain reference written here from the definitions
// (double precision, straightforward loops), in every processing mode.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "dsp/sim_ping.h"

namespace vq {
namespace {

using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;

struct RefParams {
    int bits = 16, n = 500, elements = 16, xdcr = 1;
    double f = 260e3, c = 1500.0, pitch = 0.0028702, span = 50.0, offset = 0.0;
    double gain_db = 6.0, display_gain = 50.0, absorption = 0.065;
    int mode = 1, gain_eq = 0;
    double sector = 120.0;
    int per120 = 480;
};

std::vector<double> RefTvg(const RefParams& p) {
    std::vector<double> t(p.n, 1.0);
    const double far = p.offset + p.span;
    const double a = 2.0 * p.absorption * far / p.n, s0 = 0.02 * p.n;
    const double c = 20.0 * std::log10(far * 0.02) + p.gain_db + 6.0;
    for (int i = static_cast<int>(s0); i < p.n; ++i) {
        const double x = i;
        const double g = std::min(x * a + 20.0 * std::log10(x / s0) + c, 60.0);
        t[i] = std::pow(10.0, 0.05 * g);
    }
    if (!(p.offset > 0)) return t;
    std::vector<double> out(p.n);
    // The reading position advances by a single-precision step, as the curve is defined.
    const float x0 = static_cast<float>(p.offset) * p.n / static_cast<float>(far);
    const float step = (p.n - x0) / p.n;
    float xr = x0;
    for (int i = 0; i < p.n; ++i, xr += step) out[i] = t[std::min(static_cast<int>(xr), p.n - 1)];
    return out;
}

// Returns the kept beams, row-major [beam][sample].
std::vector<double> RefForm(const RefParams& p, const std::uint8_t* data, int* num_beams) {
    const int E = p.elements, N = p.n;
    std::vector<std::vector<cd>> x(E, std::vector<cd>(N));
    const auto tvg = RefTvg(p);
    const int rec = p.bits == 8 ? 2 : 4;
    for (int s = 0; s < N; ++s)
        for (int k = 0; k < E; ++k) {
            const std::uint8_t* r = data + (s * E + k) * rec;
            double i, q;
            if (p.bits == 8) {
                i = static_cast<std::int8_t>(r[0]);
                q = static_cast<std::int8_t>(r[1]);
            } else {
                i = static_cast<std::int16_t>(r[0] | (r[1] << 8));
                q = static_cast<std::int16_t>(r[2] | (r[3] << 8));
            }
            const double scale = p.bits == 8 ? 0.01 : tvg[s] * 1.25e-6;
            x[p.xdcr == 1 ? k : E - 1 - k][s] = cd(i, q) * scale;
        }
    const int nb = static_cast<int>(p.per120 * p.sector / 120.0);
    const int nbf = nb + nb / 20, guard = (nbf - nb) / 2;
    const double fs = 1.05 * p.sector, half = fs / 2 * kPi / 180, dth = 2 * half / nbf;
    const double G = p.display_gain;
    std::vector<double> out(static_cast<std::size_t>(nb) * N, 0.0);
    for (int b = guard; b < guard + nb; ++b) {
        const double th = -half + (b + 0.5) * dth;
        std::vector<cd> w(E);
        for (int e = 0; e < E; ++e) {
            const double win = 1.3 * (0.54 - 0.46 * std::cos(2 * kPi * e / (E - 1)));
            w[e] = std::polar(win, (e - E / 2.0) * std::sin(th) * p.pitch / p.c * 2 * kPi * p.f);
        }
        const double psi = kPi / 180 * (b * fs / nbf - 0.5 * fs);
        const double geq = p.gain_eq ? 1.0 / (std::cos(psi) * std::cos(psi)) : 1.0;
        double* row = &out[static_cast<std::size_t>(b - guard) * N];
        for (int s = 0; s + 1 < N; ++s) {
            cd a = 0, bb = 0;
            for (int e = 0; e < E; ++e) (e < E / 2 ? a : bb) += x[e][s] * w[e];
            if (p.mode == 0) {
                row[s] = std::clamp(std::abs(a + bb) * 256 * geq * 0.01 * G, 0.0, 254.0);
                continue;
            }
            const cd prod = a * std::conj(bb) * geq;
            const double re = prod.real(), im = prod.imag();
            const double eps = p.mode == 3 ? 1e-5 : 1e-4;
            const double W = re * re / (im * im + re * re + eps);
            double v;
            if (p.mode == 1) {
                v = G * 30 * W * re;
            } else if (p.mode == 2) {
                v = G * 0.6 * re *
                    (0.5034 + 0.0783 * W - 0.1533 * std::pow(W, 2) + 2.9357 * std::pow(W, 3) -
                     6.0816 * std::pow(W, 4) + 30.9087 * std::pow(W, 5));
            } else {
                if (s + 2 >= N) continue;  // mode 3 leaves the last sample 0
                const double c3[16] = {0.5034,   0.0783,    -0.1533,   -2.9357,  -6.0816, 30.9087,
                                       68.5798,  -124.5031, -321.1395, 191.2037, 712.976, -8.88,
                                       -744.021, -230.0377, 293.4049,  148.0401};
                double poly = 0;
                for (int k = 0; k < 16; ++k) poly += c3[k] * std::pow(W, k);
                v = G * 6.0 * poly * re;
            }
            row[s + 1] = std::max(v, 0.0);
        }
    }
    *num_beams = nb;
    return out;
}

struct Case {
    int format, points, mode, xdcr, gain_eq, sector_size;
    float offset;
};

void Compare(const Case& k) {
    SCOPED_TRACE(testing::Message() << "format " << k.format << " points " << k.points << " mode "
                                    << k.mode << " xdcr " << k.xdcr << " geq " << k.gain_eq);
    test::CommandSpec c;
    c.format = k.format;
    c.points = k.points;
    c.offset_m = k.offset;
    sim::Options o;
    o.scene.drift_m_per_ping = 0.0f;
    o.scene.targets = {{25.0f, 30.0f, 20.0f}, {-50.0f, 15.0f, 40.0f}};
    test::Chain chain;
    ASSERT_TRUE(chain.Parse(test::SimPing(o, c), c));
    chain.Adopt();
    chain.st.s.ProcessingMode = k.mode;
    chain.st.s.Xdcr = k.xdcr;
    chain.st.s.GainEqualization = k.gain_eq;
    chain.st.s.SectorSize = k.sector_size;
    chain.st.s.StepSize = 0;
    chain.st.work.range_offset_m = static_cast<int>(k.offset);
    chain.Setup();
    chain.Form();

    RefParams p;
    p.bits = k.format == 10 ? 8 : 16;
    p.n = k.points;
    p.xdcr = k.xdcr;
    p.mode = k.mode;
    p.gain_eq = k.gain_eq;
    p.offset = k.offset;
    p.sector = k.sector_size == 2 ? 90.0 : 120.0;
    int nb = 0;
    const auto ref = RefForm(p, chain.parser.samples(), &nb);
    const auto& g = chain.former.geometry();
    ASSERT_EQ(g.NumBeams, nb);
    double peak = 0;
    for (double v : ref) peak = std::max(peak, v);
    ASSERT_GT(peak, 0.0);
    double worst = 0;
    for (int b = 0; b < nb; ++b)
        for (int s = 0; s < p.n; ++s) {
            const double r = ref[static_cast<std::size_t>(b) * p.n + s];
            const double v = chain.former.Beams().At(b, s);
            // Relative 1e-4 of the value, with a floor of 1e-4 of 1 % of the ping's peak
            // for values that are themselves near zero.
            const double err = std::fabs(v - r) / (std::fabs(r) + 0.01 * peak);
            worst = std::max(worst, err);
        }
    EXPECT_LT(worst, 1e-4);
}

TEST(ReferenceBeamFormer, AgreesInEveryMode) {
    for (int mode = 0; mode <= 3; ++mode) {
        Compare({11, 500, mode, 1, 0, 3, 0.0f});
        Compare({10, 500, mode, 0, 0, 3, 0.0f});
    }
}

TEST(ReferenceBeamFormer, AgreesWithGainEqualisationOffsetAndLongPings) {
    Compare({11, 1000, 1, 1, 1, 3, 0.0f});
    Compare({11, 500, 2, 0, 1, 2, 10.0f});
    Compare({10, 1000, 3, 1, 0, 2, 0.0f});
}

}  // namespace
}  // namespace vq
