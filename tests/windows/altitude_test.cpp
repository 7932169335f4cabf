// Altitude estimate from the output table and its read-out text.
#include <gtest/gtest.h>

#include <vector>

#include "windows/altitude.h"

namespace vq {
namespace {

std::vector<ProfilePointRecord> Table(int n, float range_dm) {
    std::vector<ProfilePointRecord> t(static_cast<std::size_t>(n));
    for (auto& r : t) r.range_dm = range_dm;
    return t;
}

TEST(Altitude, RampsOverThreePingsFromAnEmptyRing) {
    const auto t = Table(480, 120.0f);  // 12.0 m
    AltitudeEstimator a;
    EXPECT_FLOAT_EQ(a.Update(t.data(), 480, 480, 0.0f, 1500.0f), 4.0f);
    EXPECT_FLOAT_EQ(a.Update(t.data(), 480, 480, 0.0f, 1500.0f), 8.0f);
    EXPECT_FLOAT_EQ(a.Update(t.data(), 480, 480, 0.0f, 1500.0f), 12.0f);
    EXPECT_EQ(AltitudeText(a.altitude(), 0, true), "12.0");
    EXPECT_EQ(AltitudeText(a.altitude(), 1, true), "39.4");
    EXPECT_EQ(AltitudeText(a.altitude(), 2, true), "13.1");
    EXPECT_EQ(AltitudeText(a.altitude(), 0, false), "n/a");
}

TEST(Altitude, HeldThroughShortDropOutsAndClearedAfterEleven) {
    const auto t = Table(480, 120.0f);
    const auto none = Table(480, 0.0f);
    AltitudeEstimator a;
    for (int k = 0; k < 3; ++k) a.Update(t.data(), 480, 480, 0.0f, 1500.0f);
    a.Update(none.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_FLOAT_EQ(a.held(), 12.0f);
    EXPECT_FLOAT_EQ(a.altitude(), 12.0f);
    for (int k = 0; k < 9; ++k) a.Update(none.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_FLOAT_EQ(a.held(), 12.0f);  // ten failures
    a.Update(none.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_EQ(a.held(), 0.0f);  // the eleventh
    EXPECT_GT(a.altitude(), 0.0f);
    a.Update(none.data(), 480, 480, 0.0f, 1500.0f);
    a.Update(none.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_EQ(a.altitude(), 0.0f);
    EXPECT_EQ(AltitudeText(a.altitude(), 0, true), "n/a");
}

TEST(Altitude, CandidatesAroundTheDownwardBeamCorrectedForSoundVelocity) {
    std::vector<ProfilePointRecord> t = Table(480, 0.0f);
    for (int i = 0; i < 480; ++i) t[i].range_dm = static_cast<float>(i);
    AltitudeEstimator a;
    a.Update(t.data(), 480, 480, 0.0f, 1530.0f);
    EXPECT_EQ(a.first_record(), 236);
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(a.candidates()[i], (236.0f + static_cast<float>(i)) * 0.1f * 1.02f, 1e-4f);
    }
    // On a ramp candidate 0 lies 4 steps from the median, beyond 1.4826 * 2 steps: the median.
    EXPECT_NEAR(a.held(), 24.0f * 1.02f, 1e-4f);

    a.Update(t.data(), 480, 480, 90.0f, 1500.0f);  // centre 600: moved inside the table
    EXPECT_EQ(a.first_record(), 471);
    EXPECT_NEAR(a.candidates()[8], 47.9f, 1e-4f);
    a.Update(t.data(), 480, 480, -90.0f, 1500.0f);
    EXPECT_EQ(a.first_record(), 0);
    a.Update(t.data(), 5, 480, 0.0f, 1500.0f);  // table shorter than nine records
    EXPECT_EQ(a.candidates()[8], 0.0f);
}

TEST(Altitude, OutlyingFirstCandidateGivesTheMedian) {
    std::vector<ProfilePointRecord> t = Table(480, 100.0f);
    for (int i = 237; i <= 244; ++i) t[i].range_dm = 100.0f + static_cast<float>(i - 237);
    t[236].range_dm = 300.0f;
    AltitudeEstimator a;
    a.Update(t.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_NEAR(a.held(), 10.4f, 1e-4f);  // median of 30, 10.0 .. 10.7
}

TEST(Altitude, FirstCandidateWithinTheSpreadIsTakenAsItStands) {
    std::vector<ProfilePointRecord> t = Table(480, 0.0f);
    const float dm[9] = {101, 97, 98, 99, 100, 100, 102, 103, 104};  // median 100, MAD 2
    for (int i = 0; i < 9; ++i) t[236 + i].range_dm = dm[i];
    AltitudeEstimator a;
    a.Update(t.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_NEAR(a.held(), 10.1f, 1e-4f);
}

TEST(Altitude, BackgroundClearedOnlyWhenTheValueChanges) {
    const auto t = Table(480, 120.0f);
    AltitudeEstimator a;
    a.Update(t.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_TRUE(a.TakeBackgroundClear(true));
    EXPECT_FALSE(a.TakeBackgroundClear(true));
    EXPECT_TRUE(a.TakeBackgroundClear(false));
    a.Update(t.data(), 480, 480, 0.0f, 1500.0f);
    EXPECT_TRUE(a.TakeBackgroundClear(true));
}

}  // namespace
}  // namespace vq
