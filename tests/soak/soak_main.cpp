// vq-soak: the program live for a long time against a simulated head that keeps failing.
// The head (in this process, on 127.0.0.1:4040, so run it in a network namespace of its own)
// drops connections, stalls, sends bad headers, wrong packet numbers and cut packets, and
// restarts; control datagrams keep external control on with recording and point output, GPS
// sentences and probe readings arrive on pseudo-terminals. The program records into small
// files that split as they grow; every closed file is checked (whole records, no output ping
// number missing) and removed. At the end the program is asked to stop with SIGTERM.
// Fails on a lost ping while recording, a broken file, RSS growth over 10 % after warm-up, a
// leaked descriptor, or an unclean end.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/control_datagram.h"
#include "net/udp_endpoint.h"
#include "platform/byte_order.h"
#include "sim/sim_head.h"
#include "soak/soak_watch.h"

namespace vq::soak {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
    std::string program;
    double seconds = 60.0;
    double warmup = -1.0;  // < 0: 10 % of the run, at least 15 s
    double fault_interval = 4.0;
    fs::path dir;
    bool keep = false;
    bool rss_check = true;  // off under sanitizers, whose own memory grows by design
};

constexpr const char* kUsage =
    "Usage: vq-soak --program PATH [--seconds N] [--warmup S] [--fault-interval S]\n"
    "               [--dir DIR] [--keep] [--no-rss-check]\n";

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--keep") {
            o.keep = true;
        } else if (a == "--no-rss-check") {
            o.rss_check = false;
        } else if (v != nullptr && a == "--program") {
            o.program = argv[++i];
        } else if (v != nullptr && a == "--seconds") {
            o.seconds = std::atof(argv[++i]);
        } else if (v != nullptr && a == "--warmup") {
            o.warmup = std::atof(argv[++i]);
        } else if (v != nullptr && a == "--fault-interval") {
            o.fault_interval = std::atof(argv[++i]);
        } else if (v != nullptr && a == "--dir") {
            o.dir = argv[++i];
        } else {
            return false;
        }
    }
    if (o.warmup < 0.0) o.warmup = std::max(15.0, 0.1 * o.seconds);
    if (o.program.empty() || !(o.seconds > o.warmup)) return false;
    o.program = fs::absolute(o.program).string();  // the program runs in the soak directory
    return true;
}

struct Pty {
    int master = -1, slave = -1;
    std::string name;
    bool Open() {
        char n[256] = {};
        if (::openpty(&master, &slave, n, nullptr, nullptr) != 0) return false;
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        name = n;
        return true;
    }
    void Write(const std::string& s) const {
        // A reader that falls behind loses lines, as on a real serial line.
        [[maybe_unused]] ssize_t n = ::write(master, s.data(), s.size());
    }
};

std::string Nmea(const std::string& body) {
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", x & 0xFF);
    return "$" + body + tail;
}

// GGA, VTG, HDT and ZDA for second t of the run: a vessel steaming slowly north-east.
std::string GpsBurst(int t) {
    char b[200];
    const double minutes = 39.21875 + 0.0005 * t;
    std::snprintf(b, sizeof b,
                  "GPGGA,%02d%02d%02d.00,43%08.5f,S,07023.45678,W,2,09,0.9,12.3,M,-20.1,M,,",
                  (t / 3600) % 24, (t / 60) % 60, t % 60, minutes);
    std::string out = Nmea(b);
    std::snprintf(b, sizeof b, "GPVTG,%05.1f,T,040.1,M,005.5,N,010.2,K",
                  std::fmod(45.0 + t, 360.0));
    out += Nmea(b);
    std::snprintf(b, sizeof b, "GPHDT,%05.1f,T", std::fmod(44.0 + t, 360.0));
    out += Nmea(b);
    out += Nmea("GPZDA,101530.25,08,12,2026,00,00");
    return out;
}

pid_t StartProgram(const Options& o, const Pty& gps, const Pty& sv) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (::chdir(o.dir.c_str()) != 0) ::_exit(126);
    const int log = ::open("program.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
        ::dup2(log, 1);
        ::dup2(log, 2);
    }
    // The program gets none of this process's sockets and terminals.
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    ::execl(o.program.c_str(), o.program.c_str(), "--gps", gps.name.c_str(), "--sv",
            sv.name.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
}

// The next fault of the cycle: a dropped connection, a stall beyond the link's 3 s receive
// time-out, a bad header, a wrong packet number, a packet cut in the middle, a restart.
sim::Faults NextFault(int k, const char** name) {
    static const char* kNames[] = {"drop",         "stall",      "bad header",
                                   "wrong number", "cut packet", "restart"};
    sim::Faults f;
    switch (k % 6) {
        case 0:
            f.close_after_packets = 3;
            break;
        case 1:
            f.stall_seconds = 3.5;
            break;
        case 2:
            f.bad_header_after_packets = 2;
            break;
        case 3:
            f.wrong_number_after_packets = 2;
            break;
        case 4:
            f.close_mid_packet_after_packets = 2;
            break;
        default:
            f.close_after_packets = 0;
            f.refuse_seconds = 1.5;
            break;
    }
    *name = kNames[k % 6];
    return f;
}

std::uint64_t Reconnects(const sim::SimHead& head) {
    const std::uint64_t c = head.connections_accepted();
    return c > 0 ? c - 1 : 0;
}

struct Samples {
    std::vector<double> t;
    std::vector<std::uint64_t> rss_kb;
    std::vector<int> fds;
};

// The smallest descriptor count among the samples taken in [from, to] seconds.
int MinFds(const Samples& s, double from, double to) {
    int m = -1;
    for (std::size_t i = 0; i < s.t.size(); ++i)
        if (s.t[i] >= from && s.t[i] <= to && s.fds[i] >= 0 && (m < 0 || s.fds[i] < m))
            m = s.fds[i];
    return m;
}

int Run(const Options& o) {
    std::error_code ec;
    fs::create_directories(o.dir, ec);
    UdpEndpoint udp;
    if (udp.Open("127.0.0.1", 0) != 0) return std::fprintf(stderr, "vq-soak: no UDP socket\n"), 2;
    udp.set_receive_buffer(8 << 20);
    {
        std::FILE* ini = std::fopen((o.dir / "Vornax_Qi.INI").c_str(), "wb");
        if (!ini) return std::fprintf(stderr, "vq-soak: cannot write the settings\n"), 2;
        std::fprintf(ini,
                     "[Settings]\r\nIPAddress_Sonar1=127.0.0.1\r\nIPAddress_Output1=127.0.0.1\r\n"
                     "RemotePort_Output1=%u\r\nDataOutputType=1\r\nProfilePointDetection=1\r\n"
                     "AutoFilename=1\r\nAutoFilenameType=1\r\nMaximumFilesize=100\r\n"
                     "GPSHeadingType=1\r\nSVDeviceType=0\r\n",
                     udp.local_port());
        std::fclose(ini);
    }
    sim::Options so;
    so.port = 4040;  // the head's port: the program has no other
    so.pacing = true;
    sim::SimHead head(so);
    std::string err;
    if (!head.Start(&err)) {
        std::fprintf(stderr,
                     "vq-soak: the simulated head cannot listen on 127.0.0.1:4040 (%s);"
                     " run it in a network namespace of its own (scripts/soak.sh)\n",
                     err.c_str());
        return 2;
    }
    Pty gps, sv;
    if (!gps.Open() || !sv.Open()) return std::fprintf(stderr, "vq-soak: no pty\n"), 2;
    const pid_t pid = StartProgram(o, gps, sv);
    if (pid < 0) return std::fprintf(stderr, "vq-soak: cannot start the program\n"), 2;

    RecordingAudit audit(o.dir, o.keep);
    Samples samples;
    std::vector<std::uint8_t> buf(65536);
    std::optional<Ipv4Endpoint> program;
    std::uint64_t points = 0, keepalives = 0, others = 0, faults = 0;
    std::uint32_t max_number = 0;
    int exit_status = -1;
    const auto start = Clock::now();
    double next_second = 0.0, next_control = 0.0, next_fault = o.warmup / 2, next_report = 10.0;
    int tick = 0, fault_k = 0;
    for (;;) {
        const double t = std::chrono::duration<double>(Clock::now() - start).count();
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            exit_status = status;
            break;
        }
        if (t >= o.seconds) break;
        while (auto r = udp.Receive(buf)) {
            program = r->from;
            const std::uint8_t* d = buf.data();
            if (r->bytes >= 256 && std::memcmp(d, "Q4P", 3) == 0) {
                ++points;
                max_number = std::max(max_number, byte_order::GetU32Be(d + 93));
            } else if (r->bytes == 32 && std::memcmp(d, "Q4Z", 3) == 0) {
                ++keepalives;
            } else {
                ++others;
            }
        }
        if (t >= next_control && program) {
            ControlDatagram c;
            for (const char* f : {"control=on", "record=on", "output=points", "detection=on",
                                  "range=2", "dgain=60"})
                c.SetAssignment(f, nullptr);
            udp.SendTo(*program, c.bytes());
            next_control = t + 2.0;
        }
        if (t >= next_fault) {
            const char* name = nullptr;
            head.Arm(NextFault(fault_k++, &name));
            ++faults;
            next_fault = t + o.fault_interval;
        }
        if (t >= next_second) {
            gps.Write(GpsBurst(tick));
            sv.Write(" 1487.3" + std::to_string(tick % 10) + "\r");
            samples.t.push_back(t);
            samples.rss_kb.push_back(ResidentKb(pid));
            samples.fds.push_back(OpenDescriptors(pid));
            audit.Check(false);
            ++tick;
            next_second = t + 1.0;
        }
        if (t >= next_report) {
            std::printf(
                "vq-soak: %4.0f s  pings sent %llu  points %llu  records %llu  files %llu"
                "  reconnects %llu  RSS %llu kB  fds %d\n",
                t, static_cast<unsigned long long>(head.pings_served()),
                static_cast<unsigned long long>(points),
                static_cast<unsigned long long>(audit.records()),
                static_cast<unsigned long long>(audit.files()),
                static_cast<unsigned long long>(Reconnects(head)),
                static_cast<unsigned long long>(samples.rss_kb.back()), samples.fds.back());
            std::fflush(stdout);
            next_report = t + 10.0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double ran = std::chrono::duration<double>(Clock::now() - start).count();
    const bool died_early = exit_status >= 0;
    if (!died_early) {
        ::kill(pid, SIGTERM);
        for (int i = 0; i < 300 && exit_status < 0; ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid)
                exit_status = status;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (exit_status < 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &exit_status, 0);
            exit_status = 0x7F00;  // marks "had to be killed"
        }
    }
    head.Stop();
    audit.Check(true);

    // Memory and descriptors after the warm-up.
    std::uint64_t base_rss = 0, peak_rss = 0,
                  final_rss = samples.rss_kb.empty() ? 0 : samples.rss_kb.back();
    for (std::size_t i = 0; i < samples.t.size(); ++i) {
        if (samples.t[i] <= o.warmup)
            base_rss = samples.rss_kb[i];
        else
            peak_rss = std::max(peak_rss, samples.rss_kb[i]);
    }
    const int warm_fds = MinFds(samples, o.warmup - 5.0, o.warmup);
    const int final_fds = MinFds(samples, ran - 10.0, ran);
    int peak_fds = 0;
    for (int f : samples.fds) peak_fds = std::max(peak_fds, f);

    std::vector<std::string> failures;
    if (died_early) failures.push_back("the program ended by itself");
    if (!died_early && !(WIFEXITED(exit_status) && WEXITSTATUS(exit_status) == 0))
        failures.push_back("the program did not end cleanly on SIGTERM (status " +
                           std::to_string(exit_status) + ")");
    if (audit.records() == 0) failures.push_back("nothing was recorded");
    if (audit.lost_pings() > 0)
        failures.push_back(std::to_string(audit.lost_pings()) + " pings lost while recording");
    if (audit.broken_files() > 0)
        failures.push_back(std::to_string(audit.broken_files()) + " recording files broken");
    if (o.rss_check && base_rss > 0 && peak_rss * 10 > base_rss * 11)
        failures.push_back("RSS grew more than 10 % after the warm-up");
    if (warm_fds >= 0 && final_fds > warm_fds)
        failures.push_back("descriptors leaked: " + std::to_string(warm_fds) +
                           " after the warm-up, " + std::to_string(final_fds) + " at the end");

    std::printf("vq-soak: %.0f s (warm-up %.0f s), a fault every %.1f s\n", ran, o.warmup,
                o.fault_interval);
    std::printf("vq-soak:   pings sent by the head     %llu\n",
                static_cast<unsigned long long>(head.pings_served()));
    std::printf(
        "vq-soak:   pings processed            %llu point records received (last ping"
        " number %u), %llu keep-alives, %llu other\n",
        static_cast<unsigned long long>(points), max_number,
        static_cast<unsigned long long>(keepalives), static_cast<unsigned long long>(others));
    std::printf("vq-soak:   records written            %llu in %llu files, %llu pings lost\n",
                static_cast<unsigned long long>(audit.records()),
                static_cast<unsigned long long>(audit.files()),
                static_cast<unsigned long long>(audit.lost_pings()));
    std::printf("vq-soak:   faults injected            %llu; reconnects %llu\n",
                static_cast<unsigned long long>(faults),
                static_cast<unsigned long long>(Reconnects(head)));
    std::printf(
        "vq-soak:   RSS                        %llu kB after warm-up, peak %llu kB,"
        " final %llu kB\n",
        static_cast<unsigned long long>(base_rss), static_cast<unsigned long long>(peak_rss),
        static_cast<unsigned long long>(final_rss));
    std::printf("vq-soak:   open descriptors           %d after warm-up, peak %d, final %d\n",
                warm_fds, peak_fds, final_fds);
    for (const auto& p : audit.problems()) std::printf("vq-soak:   problem: %s\n", p.c_str());
    for (const auto& f : failures) std::printf("vq-soak: FAIL: %s\n", f.c_str());
    if (failures.empty()) std::printf("vq-soak: PASS\n");
    return failures.empty() ? 0 : 1;
}

}  // namespace
}  // namespace vq::soak

int main(int argc, char** argv) {
    vq::soak::Options o;
    if (!vq::soak::ParseOptions(argc, argv, o)) {
        std::fputs(vq::soak::kUsage, stderr);
        return 2;
    }
    std::string made;
    if (o.dir.empty()) {
        char tmpl[] = "/tmp/vq-soak-XXXXXX";
        if (!::mkdtemp(tmpl)) return 2;
        o.dir = made = tmpl;
    }
    const int rc = vq::soak::Run(o);
    if (!made.empty() && !o.keep) {
        std::error_code ec;
        std::filesystem::remove_all(made, ec);
    }
    return rc;
}
