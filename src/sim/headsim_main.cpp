// vq-headsim: the simulated sonar head as a program of its own.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sim/head_profile.h"
#include "sim/sim_head.h"

namespace {

constexpr const char* kUsage =
    "Usage: vq-headsim [options]\n"
    "A simulated multibeam sonar head: a TCP server that answers every command packet with\n"
    "one return packet of the announced size, carrying element I/Q samples of a synthetic\n"
    "scene (seabed speckle, point targets, a cylinder on the seabed, noise).\n"
    "\n"
    "Options:\n"
    "  --port N              TCP port to listen on (default 4040; 0 = any free port)\n"
    "  --bind ADDR           IPv4 address to listen on (default 127.0.0.1). Addresses outside\n"
    "                        127.0.0.0/8 are refused unless --allow-remote is given\n"
    "  --allow-remote        permit a non-loopback --bind\n"
    "  --head KIND           head profile: standard (260 kHz, default), long-range (120 kHz),\n"
    "                        675 (675 kHz), fine (675 kHz, native resolution 0.001 m)\n"
    "  --serial N            serial number reported by the head (0..32767)\n"
    "  --sound-velocity V    sound velocity in m/s used for the echoes (default 1500)\n"
    "  --seed N              seed of the scene and noise; same seed, same pings (default 1)\n"
    "  --no-pacing           answer as fast as possible instead of at a realistic ping rate\n"
    "                        (two-way travel time of the range window plus 3 ms)\n"
    "  --depth M             seabed depth below the head in metres (default by head: 20, 35,\n"
    "                        10, 3)\n"
    "  --slope DEG           across-track seabed slope in degrees; positive deepens toward\n"
    "                        positive angles (default 3)\n"
    "  --target A,R,S        a point target at angle A degrees (0 = broadside, positive toward\n"
    "                        the element sending the last record), range R metres, linear\n"
    "                        strength S; repeatable; replaces the default targets (at -30,\n"
    "                        10 and 45 degrees, 0.6, 0.45 and 0.9 times the depth away)\n"
    "  --no-cylinder         leave out the cylinder lying on the seabed\n"
    "  --help                show this help\n"
    "\n"
    "Stop with Ctrl+C. Exit codes: 0 normal end, 1 could not listen, 2 bad options.\n";

bool ParseNumber(const char* text, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool ParseTarget(const char* text, vq::sim::PointTarget* t) {
    std::string s(text);
    const auto c1 = s.find(',');
    const auto c2 = c1 == std::string::npos ? c1 : s.find(',', c1 + 1);
    if (c2 == std::string::npos) return false;
    double a = 0, r = 0, st = 0;
    if (!ParseNumber(s.substr(0, c1).c_str(), &a) ||
        !ParseNumber(s.substr(c1 + 1, c2 - c1 - 1).c_str(), &r) ||
        !ParseNumber(s.substr(c2 + 1).c_str(), &st) || r <= 0.0) {
        return false;
    }
    *t = {static_cast<float>(a), static_cast<float>(r), static_cast<float>(st)};
    return true;
}

int Bad(const std::string& message) {
    std::fprintf(stderr, "vq-headsim: %s\nTry 'vq-headsim --help'.\n", message.c_str());
    return 2;
}

struct Parsed {
    vq::sim::Options options;
    bool depth_set = false, slope_set = false, cylinder = true;
    double depth = 0, slope = 0;
    std::vector<vq::sim::PointTarget> targets;
};

// Returns -1 to go on, otherwise the exit code.
int ParseArgs(int argc, char** argv, Parsed* p) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto need = [&](double* v, double lo, double hi) {
            if (!value || !ParseNumber(value, v) || *v < lo || *v > hi) return false;
            ++i;
            return true;
        };
        double v = 0;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--port") {
            if (!need(&v, 0, 65535) || v != static_cast<int>(v)) return Bad("bad --port");
            p->options.port = static_cast<std::uint16_t>(v);
        } else if (arg == "--bind") {
            if (!value) return Bad("--bind needs an address");
            p->options.bind = value;
            ++i;
        } else if (arg == "--allow-remote") {
            p->options.allow_remote = true;
        } else if (arg == "--head") {
            if (!value || !vq::sim::ParseHeadKind(value, &p->options.head)) {
                return Bad("--head must be standard, long-range, 675 or fine");
            }
            ++i;
        } else if (arg == "--serial") {
            if (!need(&v, 0, 32767)) return Bad("--serial must be 0..32767");
            p->options.serial = static_cast<int>(v);
        } else if (arg == "--sound-velocity") {
            if (!need(&v, 1300, 1700)) return Bad("--sound-velocity must be 1300..1700 m/s");
            p->options.sound_velocity = static_cast<float>(v);
        } else if (arg == "--seed") {
            if (!need(&v, 0, 1e15)) return Bad("bad --seed");
            p->options.seed = static_cast<std::uint64_t>(v);
        } else if (arg == "--no-pacing") {
            p->options.pacing = false;
        } else if (arg == "--depth") {
            if (!need(&p->depth, 0.1, 2000)) return Bad("--depth must be 0.1..2000 m");
            p->depth_set = true;
        } else if (arg == "--slope") {
            if (!need(&p->slope, -45, 45)) return Bad("--slope must be -45..45 degrees");
            p->slope_set = true;
        } else if (arg == "--target") {
            vq::sim::PointTarget t{};
            if (!value || !ParseTarget(value, &t))
                return Bad("--target needs ANGLE,RANGE,STRENGTH");
            p->targets.push_back(t);
            ++i;
        } else if (arg == "--no-cylinder") {
            p->cylinder = false;
        } else {
            return Bad("unknown option " + arg);
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    Parsed p;
    if (const int code = ParseArgs(argc, argv, &p); code >= 0) return code;
    vq::sim::Scene scene = vq::sim::DemoScene(p.options.head);
    if (p.depth_set) {
        const float scale = static_cast<float>(p.depth) / scene.seabed_depth_m;
        scene.seabed_depth_m = static_cast<float>(p.depth);
        for (auto& t : scene.targets) t.range_m *= scale;
    }
    if (p.slope_set) scene.slope_deg = static_cast<float>(p.slope);
    if (!p.targets.empty()) scene.targets = p.targets;
    scene.cylinder = p.cylinder;
    p.options.scene = scene;

    // Block the stop signals before the server thread starts, then wait for one here.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    vq::sim::SimHead head(p.options);
    std::string error;
    if (!head.Start(&error)) {
        std::fprintf(stderr, "vq-headsim: %s\n", error.c_str());
        const bool refused = error.rfind("refusing", 0) == 0 || error.rfind("not an", 0) == 0;
        return refused ? 2 : 1;
    }
    std::printf("vq-headsim: %s head listening on %s:%u (seabed %.1f m, %zu targets, %s)\n",
                vq::sim::HeadKindName(p.options.head), p.options.bind.c_str(), head.port(),
                static_cast<double>(scene.seabed_depth_m), scene.targets.size(),
                p.options.pacing ? "paced" : "no pacing");
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stop_signals, &sig);
    head.Stop();
    std::printf("vq-headsim: stopped after %llu pings\n",
                static_cast<unsigned long long>(head.pings_served()));
    return 0;
}
