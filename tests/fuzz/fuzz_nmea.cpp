// The GPS input on any serial bytes: the sentence framer, the checksum, every sentence type
// and its fields; then the navigation values go into a recording header and a point record,
// as every ping takes them.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "recording/point_record.h"
#include "recording/vqs_format.h"
#include "sensors/gps_parser.h"
#include "sensors/nav_state.h"

namespace vq::fuzz {
namespace {

namespace fs = std::filesystem;

class Listener final : public GpsListener {
  public:
    void OnPosition(const GpsFix& fix) override { zone_sum += fix.zone; }
    void OnSpeedCourse(float speed, float course) override { sink += speed + course; }
    int zone_sum = 0;
    float sink = 0.0f;
};

// "$" body "*" checksum CR LF, as a receiver sends it.
std::string Sentence(const std::string& body) {
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    static const char* kHex = "0123456789ABCDEF";
    return "$" + body + "*" + kHex[(x >> 4) & 15] + kHex[x & 15] + "\r\n";
}

void WriteSeeds(const fs::path& dir) {
    // Byte 0 chooses the position sentence ("GPSHeadingType" 0 GLL, 1 GGA, 2 RMC).
    WriteSeed(dir, "gga",
              "\x01" +
                  Sentence("GPGGA,101530.25,4339.21875,S,07023.45678,W,2,09,0.9,12.3,"
                           "M,-20.1,M,,") +
                  Sentence("GPVTG,054.7,T,040.1,M,005.5,N,010.2,K") + Sentence("GPHDT,123.4,T"));
    WriteSeed(dir, "rmc",
              "\x02" +
                  Sentence("GNRMC,235959.999,A,8959.99999,N,17959.99999,E,12.5,"
                           "359.9,081226,,") +
                  Sentence("GPZDA,101530.25,08,12,2026,00,00"));
    WriteSeed(dir, "gll",
              std::string(1, '\0') + Sentence("GPGLL,5700.00000,N,00330.00000,W") +
                  "$GPHDT,45.0,T\r\n" + "$GPGGA,1*ZZ\r\n");
}

}  // namespace
}  // namespace vq::fuzz

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vq::fuzz::MaybeWriteSeeds(argc, argv, vq::fuzz::WriteSeeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vq;
    static VqsRecordBuilder records;
    static PointRecordBuilder points;
    fuzz::Input in(data, size);
    NavState nav;
    fuzz::Listener listener;
    GpsParser gps(nav, &listener);
    gps.set_position_sentence(in.Byte() % 4);
    for (std::uint8_t c : in.Rest()) gps.Feed(static_cast<char>(c));

    const RecordNav rn = RecordNavFrom(nav.snapshot(), 0.0f, 0.0f, 0.0f);
    const std::vector<std::uint8_t> ping(3328, 0);
    records.Build(ping, PingTimeStamp::FromFields(2026, 12, 8, 1, 2, 3, 4), RecordSettings{}, rn, 0,
                  0);
    PointRecordInputs pin;
    pin.h.nav = rn;
    points.NewPing();
    points.Build(pin);
    return 0;
}
