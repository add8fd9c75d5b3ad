// arm64's vector layer: one 128-bit NEON (Advanced SIMD) register of the generic kernels' steps
// (generic/*.hpp). NEON types each have a lane width; the generic steps treat a register as
// bytes, so every operation reinterprets to the width it works at.
#pragma once

#include <arm_neon.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/number_text.hpp"

namespace number_list::simd::neon {

using vec = uint8x16_t;
using flags8 = vec;  // a comparison's result: all ones in the lanes where it holds
using flags32 = vec;
// Values formatted in one register, four to its one 128-bit lane.
inline constexpr std::size_t values_per_vec = 4;

inline uint16x8_t u16(vec v) { return vreinterpretq_u16_u8(v); }
inline int16x8_t s16(vec v) { return vreinterpretq_s16_u8(v); }
inline uint32x4_t u32(vec v) { return vreinterpretq_u32_u8(v); }
inline int32x4_t s32(vec v) { return vreinterpretq_s32_u8(v); }
inline uint64x2_t u64(vec v) { return vreinterpretq_u64_u8(v); }
inline int64x2_t s64(vec v) { return vreinterpretq_s64_u8(v); }
inline vec bytes(uint16x8_t v) { return vreinterpretq_u8_u16(v); }
inline vec bytes(int16x8_t v) { return vreinterpretq_u8_s16(v); }
inline vec bytes(uint32x4_t v) { return vreinterpretq_u8_u32(v); }
inline vec bytes(int32x4_t v) { return vreinterpretq_u8_s32(v); }
inline vec bytes(uint64x2_t v) { return vreinterpretq_u8_u64(v); }
inline vec bytes(int64x2_t v) { return vreinterpretq_u8_s64(v); }

// The x86 layers hide constant multipliers from the compiler, which would take a multiply apart
// into shifts and adds; for NEON it keeps the multiply (the same instructions either way).
[[gnu::always_inline]] inline void hide(vec& /*v*/) {}

inline vec load(const void* p) { return vld1q_u8(static_cast<const std::uint8_t*>(p)); }
// The sixteen bytes before data + ends[0].
inline vec load_windows(const char* data, const std::uint32_t* ends, std::size_t window) {
  return load(data + ends[0] - window);
}
inline vec zero() { return vdupq_n_u8(0); }
inline vec splat8(char c) { return vdupq_n_u8(static_cast<std::uint8_t>(c)); }
inline vec splat16(std::int16_t n) { return bytes(vdupq_n_s16(n)); }
inline vec splat32(std::int32_t n) { return bytes(vdupq_n_s32(n)); }
inline vec splat64(std::int64_t n) { return bytes(vdupq_n_s64(n)); }
inline vec bit_and(vec a, vec b) { return vandq_u8(a, b); }
inline vec bit_or(vec a, vec b) { return vorrq_u8(a, b); }
inline vec bit_xor(vec a, vec b) { return veorq_u8(a, b); }
inline vec and_not(vec a, vec b) { return vbicq_u8(b, a); }  // ~a & b
inline vec add8(vec a, vec b) { return vaddq_u8(a, b); }
inline vec sub8(vec a, vec b) { return vsubq_u8(a, b); }
inline flags8 equal8(vec a, vec b) { return vceqq_u8(a, b); }
inline flags8 at_most_u8(vec a, vec b) { return vcleq_u8(a, b); }
inline flags8 at_least_u8(vec a, vec b) { return vcgeq_u8(a, b); }
inline flags8 either(flags8 a, flags8 b) { return vorrq_u8(a, b); }
// One bit a byte: NEON has no byte mask instruction, so each byte keeps its own bit's weight and
// pairwise adds sum each half's eight into a byte (simdjson's arm64 to_bitmask, at 16 bytes).
inline vec bit_weights() { return vec{1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128}; }
inline std::uint64_t bits_of(flags8 flags) {
  vec sums = vandq_u8(flags, bit_weights());
  sums = vpaddq_u8(sums, sums);
  sums = vpaddq_u8(sums, sums);
  sums = vpaddq_u8(sums, sums);
  return vgetq_lane_u16(u16(sums), 0);
}
// A block's flags, kept a register at a time and gathered into bits at once, their adds shared:
// 9 instructions, not 26.
struct BlockBits {
  std::array<flags8, 4> parts;
};
inline void gather(BlockBits& bits, unsigned part, flags8 flags) { bits.parts.at(part) = flags; }
inline std::uint64_t bits_of(const BlockBits& bits) {
  const auto& parts = bits.parts;
  const vec first = vpaddq_u8(vandq_u8(parts[0], bit_weights()), vandq_u8(parts[1], bit_weights()));
  const vec second =
      vpaddq_u8(vandq_u8(parts[2], bit_weights()), vandq_u8(parts[3], bit_weights()));
  vec sums = vpaddq_u8(first, second);
  sums = vpaddq_u8(sums, sums);
  return vgetq_lane_u64(u64(sums), 0);
}
// Each byte's flag as four bits, in one narrowing shift: where only the flags' count from the
// top is wanted, cheaper than one bit a byte.
inline std::uint64_t nibbles_of(flags8 flags) {
  return vget_lane_u64(vreinterpret_u64_u8(vshrn_n_u16(u16(flags), 4)), 0);
}
inline vec sub8_where(vec v, flags8 flags, vec amount) { return sub8(v, bit_and(flags, amount)); }
// Each window's last digits[k] bytes, the rest zeroed.
inline vec keep_last(vec v, const std::array<unsigned, 1>& digits) {
  return vandq_u8(v, load(number_text::keep_last_bytes.data() + digits[0]));
}
inline vec add16(vec a, vec b) { return bytes(vaddq_u16(u16(a), u16(b))); }
inline vec sub16(vec a, vec b) { return bytes(vsubq_u16(u16(a), u16(b))); }
inline vec mul16(vec a, vec b) { return bytes(vmulq_u16(u16(a), u16(b))); }
inline vec mul_high_u16(vec a, vec b) {
  const uint32x4_t low = vmull_u16(vget_low_u16(u16(a)), vget_low_u16(u16(b)));
  const uint32x4_t high = vmull_high_u16(u16(a), u16(b));
  return bytes(vuzp2q_u16(vreinterpretq_u16_u32(low), vreinterpretq_u16_u32(high)));
}
// Neighbouring 16-bit products summed into 32 bits, as x86's multiply-add does.
inline vec mul_add16(vec a, vec b) {
  const int32x4_t low = vmull_s16(vget_low_s16(s16(a)), vget_low_s16(s16(b)));
  const int32x4_t high = vmull_high_s16(s16(a), s16(b));
  return bytes(vpaddq_s32(low, high));
}
// Each 16-bit lane's two digit bytes as their value, the earlier the tens.
inline vec pair_values(vec digits) {
  const uint16x8_t pairs = u16(digits);
  return bytes(vmlaq_n_u16(vshrq_n_u16(pairs, 8), vandq_u16(pairs, vdupq_n_u16(0xFF)), 10));
}
// Shifts by a register: NEON's immediate forms need a constant the layer cannot pass on.
inline vec shift_left16(vec v, int n) {
  return bytes(vshlq_u16(u16(v), vdupq_n_s16(static_cast<std::int16_t>(n))));
}
inline vec shift_right16(vec v, int n) {
  return bytes(vshlq_u16(u16(v), vdupq_n_s16(static_cast<std::int16_t>(-n))));
}
inline vec interleave_low16(vec a, vec b) { return bytes(vzip1q_u16(u16(a), u16(b))); }
inline vec interleave_high16(vec a, vec b) { return bytes(vzip2q_u16(u16(a), u16(b))); }
inline vec add32(vec a, vec b) { return bytes(vaddq_u32(u32(a), u32(b))); }
inline vec sub32(vec a, vec b) { return bytes(vsubq_u32(u32(a), u32(b))); }
inline vec add_one32_where(vec v, flags32 flags) { return sub32(v, flags); }
inline vec shift_left32(vec v, int n) { return bytes(vshlq_u32(u32(v), vdupq_n_s32(n))); }
inline vec shift_right_signed32(vec v, int n) { return bytes(vshlq_s32(s32(v), vdupq_n_s32(-n))); }
inline vec interleave_low32(vec a, vec b) { return bytes(vzip1q_u32(u32(a), u32(b))); }
inline vec interleave_high32(vec a, vec b) { return bytes(vzip2q_u32(u32(a), u32(b))); }
inline vec pack32_to16(vec a, vec b) { return bytes(vqmovn_high_s32(vqmovn_s32(s32(a)), s32(b))); }
// Only the shuffles the generic steps use: one 32-bit lane in all four.
template <int lanes>
vec shuffle32(vec v) {
  static_assert(lanes % 0x55 == 0, "a lane repeated in every lane");
  return bytes(vdupq_laneq_u32(u32(v), lanes & 3));
}
inline vec add64(vec a, vec b) { return bytes(vaddq_u64(u64(a), u64(b))); }
inline vec sub64(vec a, vec b) { return bytes(vsubq_u64(u64(a), u64(b))); }
inline vec mul_u32(vec a, vec b) {  // the low halves, to 64 bits
  return bytes(vmull_u32(vmovn_u64(u64(a)), vmovn_u64(u64(b))));
}
inline vec shift_left64(vec v, int n) { return bytes(vshlq_u64(u64(v), vdupq_n_s64(n))); }
inline vec shift_right64(vec v, int n) { return bytes(vshlq_u64(u64(v), vdupq_n_s64(-n))); }
inline vec interleave_low64(vec a, vec b) { return bytes(vzip1q_u64(u64(a), u64(b))); }
inline vec interleave_high64(vec a, vec b) { return bytes(vzip2q_u64(u64(a), u64(b))); }
inline std::uint64_t sign_bits64(vec v) {
  const uint64x2_t signs = vshrq_n_u64(u64(v), 63);
  return vgetq_lane_u64(signs, 0) | (vgetq_lane_u64(signs, 1) << 1);
}
inline vec lanes64_set(std::uint64_t bits) {  // all ones in the 64-bit lanes of the set bits
  return load(number_text::lanes_set[bits].data());
}
inline vec abs32(vec v) { return bytes(vabsq_s32(s32(v))); }  // INT32_MIN stays itself
inline flags32 at_least_u32(vec v, std::uint32_t least) {     // where v >= least, unsigned
  return bytes(vcgeq_u32(u32(v), vdupq_n_u32(least)));
}
inline vec byte_places() { return vec{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}; }
// Slot k of the register's four values.
inline void store_slot(vec slot, char* slots, std::size_t k, std::size_t slot_bytes) {
  vst1q_u8(reinterpret_cast<std::uint8_t*>(slots + k * slot_bytes), slot);
}
// The low byte of each 32-bit lane, in order, at `out`.
inline void store_low_bytes32(vec v, std::uint8_t* out) {
  const uint8x8_t narrowed = vmovn_u16(vcombine_u16(vmovn_u32(u32(v)), vdup_n_u16(0)));
  const std::uint32_t four = vget_lane_u32(vreinterpret_u32_u8(narrowed), 0);
  std::memcpy(out, &four, 4);
}
// The low halves of the first `count` (up to two) 64-bit lanes, in order, at `out`.
inline void store_low_halves64(vec v, std::size_t count, std::int32_t* out) {
  const int32x2_t halves = vmovn_s64(s64(v));
  if (count == 2) vst1_s32(out, halves);
  if (count == 1) *out = vget_lane_s32(halves, 0);
}

}  // namespace number_list::simd::neon
