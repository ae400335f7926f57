// uRtlMath.h — the arithmetic routines of the run-time library that need more than <cmath>:
// rounding to integers and the conventional random sequence.
#pragma once

#include <cstdint>

#include "rtl/uRtlErrors.h"

namespace varnholt::rtl {

// To the nearest integer, a tie to the even neighbour, without depending on the process's floating-point
// rounding mode (std::nearbyint would follow it); non-finite values come back unchanged. The one rule of
// ties-to-even rounding in the engine: values and the library both call it.
double RoundHalfEven(double value) noexcept;
// To the nearest integer, a tie to the even neighbour. Throws "Invalid floating point operation" for
// NaN, infinities and values beyond the 64-bit range; narrowing to 32 bits is the caller's business.
std::int64_t Round(double value);
// Towards zero; the same failures.
std::int64_t Trunc(double value);
double Int(double value);   // the integral part as a double (-1.7 -> -1.0)
double Frac(double value);  // value - Int(value) (-1.7 -> -0.7)

// The linear congruential sequence seed = seed * 134775813 + 1 (mod 2^32), each value seed * 2^-32.
class TRandomGenerator {
 public:
  explicit TRandomGenerator(std::uint32_t seed = 0) : seed_(seed) {}
  double Next();
  std::uint32_t Seed() const { return seed_; }

 private:
  std::uint32_t seed_;
};

// The process-wide sequence: seed 0 at start, never reseeded, so every start repeats it.
double Random();

}  // namespace varnholt::rtl
