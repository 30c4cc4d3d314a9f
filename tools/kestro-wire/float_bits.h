// Bit patterns of doubles and floats, so that NaNs keep their sign and
// payload through text.
#ifndef KESTRO_WIRE_FLOAT_BITS_H_
#define KESTRO_WIRE_FLOAT_BITS_H_

#include <cstdint>
#include <cstring>

namespace kestro::wire {

template <typename Float>
struct FloatBits;

template <>
struct FloatBits<double> {
  using Bits = uint64_t;
  static constexpr Bits kSign = 0x8000000000000000;
  static constexpr Bits kExponent = 0x7ff0000000000000;
  // What `nan` stands for: the positive quiet NaN without payload.
  static constexpr Bits kQuietNan = 0x7ff8000000000000;
  static constexpr int kHexDigits = 16;
};

template <>
struct FloatBits<float> {
  using Bits = uint32_t;
  static constexpr Bits kSign = 0x80000000;
  static constexpr Bits kExponent = 0x7f800000;
  static constexpr Bits kQuietNan = 0x7fc00000;
  static constexpr int kHexDigits = 8;
};

template <typename Float>
typename FloatBits<Float>::Bits BitsOf(Float value) {
  typename FloatBits<Float>::Bits bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

template <typename Float>
Float FromBits(typename FloatBits<Float>::Bits bits) {
  Float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

template <typename Float>
bool IsNanBits(typename FloatBits<Float>::Bits bits) {
  using Traits = FloatBits<Float>;
  return (bits & Traits::kExponent) == Traits::kExponent && (bits & ~(Traits::kSign | Traits::kExponent)) != 0;
}

}  // namespace kestro::wire

#endif  // KESTRO_WIRE_FLOAT_BITS_H_
