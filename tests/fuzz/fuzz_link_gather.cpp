// The link's packet gathering against a head that answers with anything: return packets with
// good or bad headers, right or wrong packet numbers, cut short, delivered over loopback TCP
// in pieces of any size. Every ping the link completes goes through the ping parser.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/operator.h"
#include "core/settings_store.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/seed_pings.h"
#include "link/link_thread.h"
#include "pipeline/ping_record.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

// A listening socket on an ephemeral loopback port, made once per process.
struct Listener {
    int fd = -1;
    std::uint16_t port = 0;
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(fd, 4) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            std::abort();
        port = ntohs(a.sin_port);
    }
};

// One connection of the head: the whole answer stream in pieces, then a half-close, then
// whatever the link still sends is read until it closes.
void Serve(int listen_fd, const std::vector<std::uint8_t>& stream, std::size_t piece) {
    pollfd p{listen_fd, POLLIN, 0};
    if (::poll(&p, 1, 2000) != 1) return;
    const int c = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) return;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min(piece, stream.size() - at);
        const ssize_t sent = ::send(c, stream.data() + at, n, MSG_NOSIGNAL);
        if (sent <= 0) break;
        at += static_cast<std::size_t>(sent);
        sched_yield();
    }
    ::shutdown(c, SHUT_WR);
    std::uint8_t sink[4096];
    while (::recv(c, sink, sizeof sink, 0) > 0) {
    }
    ::close(c);
}

// Configuration byte: bit 0 reduced packets, bit 1 1000 points, bit 2 8-bit data.
SettingsState SettingsFrom(std::uint8_t c) {
    PingConfig pc;
    pc.reduced = (c & 1) != 0;
    pc.data_points_switch = (c >> 1) & 1;
    pc.data_format = (c & 4) != 0 ? 10 : 11;
    SettingsState st = SeedSettings(pc);
    st.s.IPAddress_Sonar1 = "127.0.0.1";
    return st;
}

enum Kind : std::uint8_t { kNumbered = 0, kSequential = 1, kRaw = 2, kCut = 3 };

// The answer stream the input describes: packets of P bytes, each a kind byte (with a packet
// number byte for kNumbered) and up to P - 4 body bytes; kCut ends the stream inside a packet.
std::vector<std::uint8_t> StreamFrom(Input& in, std::uint32_t p) {
    std::vector<std::uint8_t> out;
    int next = 0;
    while (!in.empty() && out.size() < 40 * p) {
        const std::uint8_t kind = in.Byte() % 4;
        const int number = kind == kNumbered ? in.Byte() : next++;
        std::vector<std::uint8_t> packet(p, 0);
        const auto body = in.Take(p - 4);
        std::copy(body.begin(), body.end(), packet.begin() + 4);
        if (kind != kRaw) {
            packet[0] = 'T';
            packet[1] = 77;
            packet[2] = 'N';
            packet[3] = 'U';
            packet[8] = static_cast<std::uint8_t>(number & 0xFF);
            packet[9] = static_cast<std::uint8_t>(number >> 8);
        } else {
            std::copy_n(body.begin(), std::min<std::size_t>(4, body.size()), packet.begin());
        }
        if (kind == kCut) {
            packet.resize(std::min<std::size_t>(p, 16u * (1u + in.Byte())));
            out.insert(out.end(), packet.begin(), packet.end());
            break;
        }
        out.insert(out.end(), packet.begin(), packet.end());
    }
    return out;
}

void WriteSeeds(const fs::path& dir) {
    struct Seed {
        const char* name;
        std::uint8_t config;
    };
    for (const Seed& s :
         {Seed{"full_16bit_500", 0}, Seed{"reduced_16bit_500", 1}, Seed{"full_8bit_1000", 6}}) {
        PingConfig pc;
        pc.reduced = (s.config & 1) != 0;
        pc.data_points_switch = (s.config >> 1) & 1;
        pc.data_format = (s.config & 4) != 0 ? 10 : 11;
        const std::vector<std::uint8_t> ping = SeedPing(pc);
        const std::uint32_t p = pc.reduced ? kReducedPacketSize : kFullPacketSize;
        // The head's answers as the link stored them: packet 0 after the 1152-byte command,
        // every later one after its 128-byte request header.
        std::vector<std::uint8_t> b{s.config, 0xFF};
        for (std::size_t at = kCommandPacketSize; at + p <= ping.size(); at += p + 128) {
            b.push_back(kSequential);
            b.insert(b.end(), ping.begin() + static_cast<std::ptrdiff_t>(at + 4),
                     ping.begin() + static_cast<std::ptrdiff_t>(at + p));
        }
        WriteSeed(dir, s.name, b);
    }
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq;
    static fuzz::Listener listener;
    static NullOperator op;
    static PingParser parser;
    fuzz::Input in(data, size);
    SettingsStore store;
    store.Update([&](SettingsState& st) { st = fuzz::SettingsFrom(in.Byte()); });
    const std::size_t asked_piece = 1 + std::size_t{in.Byte()} * 37;
    const std::uint32_t p = store.snapshot().s.ReducedEthernetThroughputEnable == 1
                                ? kReducedPacketSize
                                : kFullPacketSize;
    const std::vector<std::uint8_t> stream = fuzz::StreamFrom(in, p);
    // At most 64 pieces, so a run spends its time in the link rather than in sends.
    const std::size_t piece = std::max(asked_piece, stream.size() / 64 + 1);

    LinkConfig config;
    config.address = "127.0.0.1";
    config.port = listener.port;
    config.connect_timeout_ms = 2000;
    config.receive_timeout_ms = 2000;
    LinkCallbacks cb;
    cb.on_ping = [&](const std::uint8_t* ping, std::size_t length, const PingTiming&) {
        ParseContext ctx;
        ctx.packet_size = p;
        parser.Parse(ping, length, ctx);
    };
    Link link(config, store, op, cb);
    std::thread head(fuzz::Serve, listener.fd, std::cref(stream), piece);
    if (link.OpenTCPConnection()) {
        const std::size_t steps = stream.size() / p + 8;
        for (std::size_t i = 0; i < steps && link.connected(); ++i) link.CycleStep();
        if (link.highest_write_index() > PingBuffer::kCapacity) __builtin_trap();
    }
    link.CloseTCPConnection();
    head.join();
    return 0;
}
