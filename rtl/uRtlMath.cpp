// uRtlMath.cpp — the run-time rounding routines and the random sequence.
#include "rtl/uRtlMath.h"

#include <cmath>

namespace varnholt::rtl {

namespace {

std::int64_t ToInt64(double integral) {
  // 2^63 is the first double beyond the range; NaN fails both comparisons.
  if (!(integral >= -9223372036854775808.0 && integral < 9223372036854775808.0)) {
    throw ERtlError("Invalid floating point operation");
  }
  return static_cast<std::int64_t>(integral);
}

}  // namespace

double RoundHalfEven(double value) noexcept {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double diff = value - below;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(below, 2.0) != 0.0)) return below + 1.0;
  return below;
}

std::int64_t Round(double value) {
  return ToInt64(RoundHalfEven(value));
}

std::int64_t Trunc(double value) {
  return ToInt64(std::trunc(value));
}

double Int(double value) {
  return std::trunc(value);
}

double Frac(double value) {
  return value - std::trunc(value);
}

double TRandomGenerator::Next() {
  seed_ = seed_ * 134775813u + 1u;
  return static_cast<double>(seed_) * (1.0 / 4294967296.0);
}

double Random() {
  static TRandomGenerator generator;
  return generator.Next();
}

}  // namespace varnholt::rtl
