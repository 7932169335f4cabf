// The formed beams of one ping and the byte image made from them: fixed-size, allocated once
// by their owner, never per ping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq {

inline constexpr int kMaxBeams = 600;        // rows of BeamData and BeamByteImage
inline constexpr int kBeamRowLength = 1010;  // floats per BeamData row, whatever NumSamples
inline constexpr int kByteImageCells = 500;  // cells per BeamByteImage row
inline constexpr int kMaxElements = 64;

// Geometry of the beams in BeamData, set up by the beam former.
struct BeamGeometry {
    int NumBeams = 120;
    int NumBeamsFormed = 126;
    int GuardOffset = 3;
    int NumSamples = 500;
    int NumElements = 16;
    float BeamSpacing = 0.0f;       // radians, between formed beams
    float FormedHalfSector = 0.0f;  // radians
    float FormedSectorDeg = 0.0f;
    float SectorDeg = 120.0f;  // the sector in use
    int StepSize = 2;
    float ProfileSearchStep = 1.0f;
    bool head_formed = false;         // data format 4: 256 beams formed by the head
    int ModelCode = 4;                // array model the geometry was derived for
    float ElementPitch = 0.0028702f;  // metres
    float CarrierHz = 260000.0f;
    float SoundVelocity = 1500.0f;  // m/s used for the steering tables
    bool GratingLimited = false;    // sector set by grating lobes, not by SectorSize
};

// float [600][1010]: row = beam, column = range sample. While the beam former works on a ping,
// Row(b) is formed beam b (FormedView); afterwards Row(k) is kept beam k (KeptView), which is
// formed beam k + GuardOffset. The formed beams are written where the kept ones belong, so
// keeping them moves nothing: the rows of the low guard beams lie in front of row 0.
class BeamData {
  public:
    static constexpr int kGuardRows = 16;  // more than the largest GuardOffset (600 / 40)
    BeamData()
        : v_(static_cast<std::size_t>(kMaxBeams + kGuardRows) * kBeamRowLength, 0.0f),
          base_(static_cast<std::size_t>(kGuardRows) * kBeamRowLength) {}
    float* Row(int b) {
        return v_.data() + base_ + static_cast<std::ptrdiff_t>(b) * kBeamRowLength;
    }
    const float* Row(int b) const {
        return v_.data() + base_ + static_cast<std::ptrdiff_t>(b) * kBeamRowLength;
    }
    float& At(int b, int s) { return Row(b)[s]; }
    float At(int b, int s) const { return Row(b)[s]; }
    float* data() { return Row(0); }
    const float* data() const { return Row(0); }

    // Row(b) names formed beam b of a fan with `guard_offset` guard beams on each side
    // (0 <= guard_offset < kGuardRows).
    void FormedView(int guard_offset) {
        base_ = static_cast<std::size_t>(kGuardRows - guard_offset) * kBeamRowLength;
    }
    // Row(k) names kept beam k.
    void KeptView() { base_ = static_cast<std::size_t>(kGuardRows) * kBeamRowLength; }

  private:
    std::vector<float> v_;
    std::size_t base_;
};

// uint8 [600][500]: row r holds beam NumBeams-1-r; rows from 44 also carry the Beam Test
// element magnitudes. One spare row at the end keeps reads of row NumBeams in bounds.
class BeamByteImage {
  public:
    static constexpr int kRows = kMaxBeams + 1;
    BeamByteImage() : v_(static_cast<std::size_t>(kRows) * kByteImageCells, 0) {}
    std::uint8_t* Row(int r) { return v_.data() + static_cast<std::size_t>(r) * kByteImageCells; }
    const std::uint8_t* Row(int r) const {
        return v_.data() + static_cast<std::size_t>(r) * kByteImageCells;
    }
    std::uint8_t* data() { return v_.data(); }
    const std::uint8_t* data() const { return v_.data(); }
    std::size_t size() const { return v_.size(); }

  private:
    std::vector<std::uint8_t> v_;
};

}  // namespace vq
