#include "recording/xtf_writer.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"

namespace vq {
namespace {

using namespace vq::byte_order;

void PutChannelInfo(std::uint8_t* c, std::uint8_t type, int samples, const char* name) {
    c[0] = type;
    c[1] = 0;
    PutU16Le(c + 2, 1);  // CorrectionFlags
    PutU16Le(c + 4, 1);  // UniPolar
    PutU16Le(c + 6, 1);  // BytesPerSample
    PutU32Le(c + 8, static_cast<std::uint32_t>(samples));
    PutText(c + 12, name, 16);
}

void PutFileHeader(std::uint8_t* f, int samples) {
    std::memset(f, 0, kXtfFileHeaderBytes);
    f[0] = 123;
    f[1] = 1;
    PutText(f + 2, "Tessarin", 8);
    PutText(f + 10, "100", 8);
    PutText(f + 18, "Q40 Sidescan", 16);
    f[34] = 0;
    f[35] = 16;
    PutText(f + 36, "Tessarin Sonar Works Ltd.", 64);
    PutText(f + 100, "tessarin.xtf", 64);
    PutU16Le(f + 164, 3);
    PutU16Le(f + 166, 2);
    PutChannelInfo(f + 256, 1, samples, "PORT");
    PutChannelInfo(f + 384, 2, samples, "STBD");
}

void PutPingHeader(std::uint8_t* p, const XtfPingInputs& in) {
    std::memset(p, 0, 256);
    PutU16Le(p, 0xFACE);
    PutU16Le(p + 4, 2);
    PutU32Le(p + 10, static_cast<std::uint32_t>(XtfPingBytes(in.samples)));
    CalendarTime c = ParseTimeStamp(in.ts);
    int month = c.month_known ? c.month : (c.year & 0x0F);
    PutU16Le(p + 14, static_cast<std::uint32_t>(c.year));
    p[16] = static_cast<std::uint8_t>(month);
    p[17] = static_cast<std::uint8_t>(c.day);
    p[18] = static_cast<std::uint8_t>(c.hour);
    p[19] = static_cast<std::uint8_t>(c.minute);
    p[20] = static_cast<std::uint8_t>(c.second);
    p[21] = static_cast<std::uint8_t>(c.hundredths);
    PutU16Le(p + 22, static_cast<std::uint32_t>(XtfJulianDay(c.year, month, c.day)));
    PutU32Le(p + 28, in.ping_number);
    PutF32Le(p + 32, in.sound_velocity * 0.5f);
    PutF32Le(p + 120, in.speed_kn);
    PutF32Le(p + 124, in.heading_deg);
    PutF64Le(p + 128, static_cast<double>(in.lat_deg));
    PutF64Le(p + 136, static_cast<double>(in.lon_deg));
    PutF32Le(p + 152, in.speed_kn);
    PutF64Le(p + 160, static_cast<double>(in.lat_deg));
    PutF64Le(p + 168, static_cast<double>(in.lon_deg));
    PutF32Le(p + 216, in.heave_m);
}

std::uint8_t* PutChannel(std::uint8_t* p, int channel, const XtfPingInputs& in,
                         std::span<const std::int32_t> line, std::size_t first) {
    std::memset(p, 0, 64);
    PutU16Le(p, static_cast<std::uint32_t>(channel));
    PutU16Le(p + 2, 2);
    PutF32Le(p + 4, in.range_m);
    float one_way = in.sound_velocity * 0.5f;
    PutF32Le(p + 16, one_way != 0.0f ? in.range_m / one_way : 0.0f);
    PutU32Le(p + 42, static_cast<std::uint32_t>(in.samples));
    std::uint8_t* d = p + 64;
    for (std::size_t i = 0; i < static_cast<std::size_t>(in.samples); ++i)
        d[i] = first + i < line.size() ? static_cast<std::uint8_t>(line[first + i] & 0xFF) : 0;
    return d + in.samples;
}

}  // namespace

int XtfJulianDay(int year, int month, int day) {
    int n = DayOfYear(year, month, day);
    return n >= 1 && n <= 366 ? n : 1;
}

XtfBuilder::XtfBuilder() : buf_(kXtfFileHeaderBytes + XtfPingBytes(1000), 0) {}

std::span<const std::uint8_t> XtfBuilder::BuildPing(const XtfPingInputs& input,
                                                    std::span<const std::int32_t> line) {
    XtfPingInputs in = input;
    in.samples = in.samples == 1000 ? 1000 : 500;
    std::uint8_t* start = buf_.data();
    std::uint8_t* p = start;
    if (header_pending_) {
        PutFileHeader(p, in.samples);
        p += kXtfFileHeaderBytes;
        header_pending_ = false;
    }
    PutPingHeader(p, in);
    p = PutChannel(p + 256, 0, in, line, 0);
    p = PutChannel(p, 1, in, line, static_cast<std::size_t>(in.samples));
    return {start, static_cast<std::size_t>(p - start)};
}

}  // namespace vq
