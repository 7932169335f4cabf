// vq-remote: a small terminal client of the program's UDP interface. "listen" shows every
// point record, beam record and keep-alive that arrives; "set" sends one control datagram.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "net/control_datagram.h"
#include "net/record_assembler.h"
#include "net/udp_endpoint.h"
#include "platform/tcp_socket.h"

namespace {

struct Options {
    std::string command;
    std::string host = "127.0.0.1";
    int port = 4040;
    int local_port = 0;
    long count = 0;      // 0: no limit
    long timeout_s = 0;  // 0: wait for ever
    bool allow_remote = false;
    bool listen_after = false;
    bool factory = false;
    std::vector<std::string> fields;
};

void PrintHelp() {
    std::puts(
        "usage: vq-remote listen [--host ADDR] [--port P] [--count N] [--timeout S]\n"
        "       vq-remote set NAME=VALUE ... [--host ADDR] [--port P] [--local-port L]\n"
        "                     [--factory] [--listen [--count N] [--timeout S]]\n"
        "       add --allow-remote to use an address outside 127.0.0.0/8\n"
        "\n"
        "listen  binds ADDR:P (default 127.0.0.1:4040), the program's output destination, and\n"
        "        prints one line per point record, beam record (reassembled from its pieces)\n"
        "        and keep-alive, with the sender's address (the program's control port).\n"
        "set     sends one control datagram to ADDR:P (default 127.0.0.1:4040). Every datagram\n"
        "        carries the whole state: fields not named carry values the program ignores,\n"
        "        or with --factory the program's built-in settings. The program sends its\n"
        "        output to the sender afterwards; --listen keeps the socket open and prints\n"
        "        what arrives, like listen.\n"
        "\n"
        "Only loopback addresses (127.x.x.x) are used unless --allow-remote is given.\n"
        "--count N stops after N lines; --timeout S gives up (status 3) after S seconds\n"
        "without a datagram; --local-port L sends from port L; --port 0 listens on an\n"
        "ephemeral port.\n"
        "\n"
        "Fields of set:");
    for (const auto& f : vq::ControlFields()) std::printf("  %-12s %s\n", f.name, f.help);
}

bool ParseNumber(const char* text, long lo, long hi, long& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || v < lo || v > hi) return false;
    out = v;
    return true;
}

// Parses argv; false with a message on stderr.
bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        auto value = [&](long lo, long hi, long& out) {
            if (i + 1 >= argc || !ParseNumber(argv[i + 1], lo, hi, out)) {
                std::fprintf(stderr, "vq-remote: %s needs a number %ld..%ld\n", argv[i], lo, hi);
                return false;
            }
            ++i;
            return true;
        };
        long v = 0;
        if (a == "--host" && i + 1 < argc) {
            o.host = argv[++i];
        } else if (a == "--port" || a == "--local-port") {
            if (!value(0, 65535, v)) return false;
            (a == "--port" ? o.port : o.local_port) = static_cast<int>(v);
        } else if (a == "--count") {
            if (!value(1, 1000000000L, o.count)) return false;
        } else if (a == "--timeout") {
            if (!value(1, 86400, o.timeout_s)) return false;
        } else if (a == "--allow-remote") {
            o.allow_remote = true;
        } else if (a == "--listen") {
            o.listen_after = true;
        } else if (a == "--factory") {
            o.factory = true;
        } else if (a == "--help" || a == "-h" || a == "help") {
            o.command = "help";
        } else if (o.command.empty() && (a == "listen" || a == "set")) {
            o.command = std::string(a);
        } else if (o.command == "set" && a.find('=') != std::string_view::npos) {
            o.fields.emplace_back(a);
        } else {
            std::fprintf(stderr, "vq-remote: unexpected argument \"%s\" (see --help)\n", argv[i]);
            return false;
        }
    }
    if (o.host == "localhost") o.host = "127.0.0.1";
    return true;
}

// The address must be dotted IPv4; outside 127.0.0.0/8 only with --allow-remote.
bool CheckHost(const Options& o) {
    std::uint32_t a = 0;
    if (!vq::ParseIPv4(o.host, &a)) {
        std::fprintf(stderr, "vq-remote: \"%s\" is not an IPv4 address\n", o.host.c_str());
        return false;
    }
    if (!vq::IsLoopbackIPv4(a) && !o.allow_remote) {
        std::fprintf(stderr,
                     "vq-remote: %s is not a loopback address; add --allow-remote to use it\n",
                     o.host.c_str());
        return false;
    }
    return true;
}

// Prints what arrives on sock until count lines were printed (count 0: forever). Status 3
// when timeout_s seconds pass without a datagram.
int Listen(const vq::UdpEndpoint& sock, long count, long timeout_s) {
    std::vector<std::uint8_t> buf(65536);
    vq::RecordAssembler assembler;
    long printed = 0;
    while (count == 0 || printed < count) {
        if (!sock.WaitReadable(timeout_s > 0 ? static_cast<int>(timeout_s * 1000) : -1)) {
            if (timeout_s == 0) continue;
            std::fprintf(stderr, "vq-remote: nothing arrived for %ld s\n", timeout_s);
            return 3;
        }
        auto r = sock.Receive(buf);
        if (!r) continue;
        vq::Arrival a = assembler.Feed({buf.data(), r->bytes});
        if (a.kind == vq::ArrivalKind::None) continue;
        std::printf("%s from %s\n", vq::DescribeArrival(a).c_str(),
                    vq::FormatEndpoint(r->from).c_str());
        std::fflush(stdout);
        ++printed;
    }
    return 0;
}

int RunListen(const Options& o) {
    vq::UdpEndpoint sock;
    if (int e = sock.Open(o.host, static_cast<std::uint16_t>(o.port)); e != 0) {
        std::fprintf(stderr, "vq-remote: cannot listen on %s:%d: %s\n", o.host.c_str(), o.port,
                     std::strerror(e));
        return 1;
    }
    // A beam record arrives as eight datagrams in a burst: make room for several records.
    sock.set_receive_buffer(8 << 20);
    std::printf("listening on %s:%u\n", o.host.c_str(), sock.local_port());
    std::fflush(stdout);
    return Listen(sock, o.count, o.timeout_s);
}

int RunSet(const Options& o) {
    if (o.port == 0) {
        std::fprintf(stderr, "vq-remote: set needs a destination port 1..65535\n");
        return 2;
    }
    vq::ControlDatagram d(!o.factory);
    for (const std::string& f : o.fields) {
        std::string error;
        if (!d.SetAssignment(f, &error)) {
            std::fprintf(stderr, "vq-remote: %s\n", error.c_str());
            return 2;
        }
    }
    vq::UdpEndpoint sock;
    const char* bind =
        vq::IsLoopbackIPv4(vq::ParseEndpoint(o.host, o.port)->address) ? "127.0.0.1" : "0.0.0.0";
    if (int e = sock.Open(bind, static_cast<std::uint16_t>(o.local_port)); e != 0) {
        std::fprintf(stderr, "vq-remote: cannot open a socket: %s\n", std::strerror(e));
        return 1;
    }
    if (o.listen_after) sock.set_receive_buffer(8 << 20);
    auto to = *vq::ParseEndpoint(o.host, o.port);
    vq::SendOutcome r = sock.SendTo(to, d.bytes());
    if (!r.ok()) {
        std::fprintf(stderr, "vq-remote: send to %s failed: %s\n", vq::FormatEndpoint(to).c_str(),
                     std::strerror(r.error));
        return 1;
    }
    std::printf("sent %ld bytes to %s from port %u\n", r.bytes, vq::FormatEndpoint(to).c_str(),
                sock.local_port());
    std::fflush(stdout);
    return o.listen_after ? Listen(sock, o.count, o.timeout_s) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, o)) return 2;
    if (o.command.empty() || o.command == "help") {
        PrintHelp();
        return o.command.empty() ? 2 : 0;
    }
    if (!CheckHost(o)) return 2;
    return o.command == "listen" ? RunListen(o) : RunSet(o);
}
