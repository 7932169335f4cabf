// NMEA 0183 input from the GPS receiver: frames sentences one character at a time, checks their
// checksums and takes position, time, fix data, speed, course and heading into a NavState.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>

#include "sensors/nav_state.h"

namespace vq {

// A valid position as handed to the track plotter.
struct GpsFix {
    double latitude_deg = 0.0;
    double longitude_deg = 0.0;
    double easting = 0.0;
    double northing = 0.0;
    int zone = 0;
    int fix_quality = 0;
    float speed_knots = 0.0f;
    float course_deg = 0.0f;
    float heading_deg = 0.0f;
};

// Told of new values, on the GPS reader thread. The NavState is already updated.
class GpsListener {
  public:
    virtual ~GpsListener() = default;
    virtual void OnPosition(const GpsFix& fix) = 0;
    virtual void OnSpeedCourse(float speed_knots, float course_deg) = 0;
};

// "GPSHeadingType": the sentence that supplies the position.
enum class PositionSentence { GLL = 0, GGA = 1, RMC = 2 };

class GpsParser {
  public:
    explicit GpsParser(NavState& nav, GpsListener* listener = nullptr)
        : nav_(nav), listener_(listener) {}

    // From "GPSHeadingType" (0 GLL, 1 GGA, 2 RMC; other values keep GGA). Any thread.
    void set_position_sentence(int gps_heading_type);
    // While the display is on hold, sentences are ignored. Any thread.
    void set_hold(bool hold) { hold_.store(hold, std::memory_order_relaxed); }

    // One received character (the serial reader's sink).
    void Feed(char c);

    // A framed sentence: address ("GPGGA"), data field (after the first ","), and the received
    // checksum or -1 when the sentence had none.
    void HandleSentence(std::string_view address, std::string_view data, int checksum);

    std::uint32_t sentences_handled() const { return handled_.load(std::memory_order_relaxed); }
    std::uint32_t checksum_errors() const { return bad_checksums_.load(std::memory_order_relaxed); }

  private:
    enum class Stage { Idle, Address, Data, Checksum };
    static constexpr int kMaxAddress = 8;
    static constexpr int kMaxData = 256;

    void StartSentence();
    void FeedChecksumDigit(char c);
    void HandlePosition(std::string_view type, std::string_view data);
    void HandleVtg(std::string_view data);
    void HandleHdt(std::string_view data);
    void HandleZda(std::string_view data);

    NavState& nav_;
    GpsListener* listener_;
    std::atomic<int> position_sentence_{static_cast<int>(PositionSentence::GGA)};
    std::atomic<bool> hold_{false};
    std::atomic<std::uint32_t> handled_{0};
    std::atomic<std::uint32_t> bad_checksums_{0};

    // Framer state, touched only by the reader thread.
    Stage stage_ = Stage::Idle;
    std::uint8_t running_xor_ = 0;
    int checksum_digits_ = 0;
    int checksum_value_ = 0;
    int address_len_ = 0;
    int data_len_ = 0;
    std::array<char, kMaxAddress> address_{};
    std::array<char, kMaxData> data_{};
};

}  // namespace vq
