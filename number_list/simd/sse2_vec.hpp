// The x86-64 baseline's vector layer: one 128-bit register of the generic kernels' steps
// (generic/*.hpp).
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/number_text.hpp"
#include "number_list/simd/opaque.hpp"

namespace number_list::simd::sse2 {

using vec = __m128i;
using flags8 = vec;  // a comparison's result: all ones in the lanes where it holds
using flags32 = vec;
// Values formatted in one register, four to each 128-bit lane.
inline constexpr std::size_t values_per_vec = 4;

inline vec load(const void* p) { return _mm_loadu_si128(static_cast<const vec*>(p)); }
// The sixteen bytes before data + ends[0].
inline vec load_windows(const char* data, const std::uint32_t* ends, std::size_t window) {
  return load(data + ends[0] - window);
}
inline vec zero() { return _mm_setzero_si128(); }
inline vec splat8(char c) { return _mm_set1_epi8(c); }
inline vec splat16(std::int16_t n) { return _mm_set1_epi16(n); }
inline vec splat32(std::int32_t n) { return _mm_set1_epi32(n); }
inline vec splat64(std::int64_t n) { return _mm_set1_epi64x(n); }
inline vec bit_and(vec a, vec b) { return _mm_and_si128(a, b); }
inline vec bit_or(vec a, vec b) { return _mm_or_si128(a, b); }
inline vec bit_xor(vec a, vec b) { return _mm_xor_si128(a, b); }
inline vec and_not(vec a, vec b) { return _mm_andnot_si128(a, b); }  // ~a & b
inline vec add8(vec a, vec b) { return _mm_add_epi8(a, b); }
inline vec sub8(vec a, vec b) { return _mm_sub_epi8(a, b); }
inline flags8 equal8(vec a, vec b) { return _mm_cmpeq_epi8(a, b); }
inline flags8 at_most_u8(vec a, vec b) { return _mm_cmpeq_epi8(_mm_min_epu8(a, b), a); }
inline flags8 at_least_u8(vec a, vec b) { return _mm_cmpeq_epi8(_mm_max_epu8(a, b), a); }
inline flags8 either(flags8 a, flags8 b) { return _mm_or_si128(a, b); }
inline std::uint64_t bits_of(vec flags) {  // one bit a byte, from its top bit
  return static_cast<std::uint16_t>(_mm_movemask_epi8(flags));
}
// A block's flags, gathered into bits a register at a time.
using BlockBits = std::uint64_t;
inline void gather(BlockBits& bits, unsigned part, flags8 flags) {
  bits |= bits_of(flags) << (sizeof(vec) * part);
}
inline std::uint64_t bits_of(BlockBits bits) { return bits; }
inline vec sub8_where(vec v, flags8 flags, vec amount) { return sub8(v, bit_and(flags, amount)); }
// Each window's last digits[k] bytes, the rest zeroed.
inline vec keep_last(vec v, const std::array<unsigned, 1>& digits) {
  return _mm_and_si128(v, load(number_text::keep_last_bytes.data() + digits[0]));
}
inline vec add16(vec a, vec b) { return _mm_add_epi16(a, b); }
inline vec sub16(vec a, vec b) { return _mm_sub_epi16(a, b); }
inline vec mul16(vec a, vec b) { return _mm_mullo_epi16(a, b); }
inline vec mul_high_u16(vec a, vec b) { return _mm_mulhi_epu16(a, b); }
inline vec mul_add16(vec a, vec b) { return _mm_madd_epi16(a, b); }
// Each 16-bit lane's two digit bytes as their value, the earlier the tens: SSE2 has no byte
// multiply-add (maddubs), so the even bytes times ten plus the odd ones.
inline vec pair_values(vec digits) {
  vec ten = _mm_set1_epi16(10);
  hide(ten);
  return _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(digits, _mm_set1_epi16(0xFF)), ten),
                       _mm_srli_epi16(digits, 8));
}
inline vec shift_left16(vec v, int n) { return _mm_slli_epi16(v, n); }
inline vec shift_right16(vec v, int n) { return _mm_srli_epi16(v, n); }
inline vec interleave_low16(vec a, vec b) { return _mm_unpacklo_epi16(a, b); }
inline vec interleave_high16(vec a, vec b) { return _mm_unpackhi_epi16(a, b); }
inline vec add32(vec a, vec b) { return _mm_add_epi32(a, b); }
inline vec sub32(vec a, vec b) { return _mm_sub_epi32(a, b); }
inline vec add_one32_where(vec v, flags32 flags) { return _mm_sub_epi32(v, flags); }
inline vec shift_left32(vec v, int n) { return _mm_slli_epi32(v, n); }
inline vec shift_right_signed32(vec v, int n) { return _mm_srai_epi32(v, n); }
inline vec interleave_low32(vec a, vec b) { return _mm_unpacklo_epi32(a, b); }
inline vec interleave_high32(vec a, vec b) { return _mm_unpackhi_epi32(a, b); }
inline vec pack32_to16(vec a, vec b) { return _mm_packs_epi32(a, b); }
template <int lanes>
vec shuffle32(vec v) {
  return _mm_shuffle_epi32(v, lanes);
}
inline vec add64(vec a, vec b) { return _mm_add_epi64(a, b); }
inline vec sub64(vec a, vec b) { return _mm_sub_epi64(a, b); }
inline vec mul_u32(vec a, vec b) { return _mm_mul_epu32(a, b); }  // the low halves, to 64 bits
inline vec shift_left64(vec v, int n) { return _mm_slli_epi64(v, n); }
inline vec shift_right64(vec v, int n) { return _mm_srli_epi64(v, n); }
inline vec interleave_low64(vec a, vec b) { return _mm_unpacklo_epi64(a, b); }
inline vec interleave_high64(vec a, vec b) { return _mm_unpackhi_epi64(a, b); }
inline std::uint64_t sign_bits64(vec v) {
  return static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(v)));
}
inline vec lanes64_set(std::uint64_t bits) {  // all ones in the 64-bit lanes of the set bits
  return _mm_load_si128(reinterpret_cast<const vec*>(number_text::lanes_set[bits].data()));
}

// SSE2 has no 32-bit absolute value or unsigned comparison: both by the sign and a bias.
inline vec abs32(vec v) {
  const vec sign = _mm_srai_epi32(v, 31);
  return _mm_sub_epi32(_mm_xor_si128(v, sign), sign);
}
inline flags32 at_least_u32(vec v, std::uint32_t least) {  // where v >= least, unsigned
  const vec biased = _mm_xor_si128(v, _mm_set1_epi32(INT32_MIN));
  return _mm_cmpgt_epi32(biased,
                         _mm_set1_epi32(static_cast<std::int32_t>((least - 1) ^ 0x80000000U)));
}
// Bytes 0 to 15 of each 128-bit lane.
inline vec byte_places() {
  return _mm_set_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
}
// Slot k of each lane's four values: lane q's goes to slot 4q + k.
inline void store_slot(vec slot, char* slots, std::size_t k, std::size_t slot_bytes) {
  _mm_storeu_si128(reinterpret_cast<vec*>(slots + k * slot_bytes), slot);
}
// The low byte of each 32-bit lane, in order, at `out`.
inline void store_low_bytes32(vec v, std::uint8_t* out) {
  const auto bytes = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), v));
  std::memcpy(out, &bytes, 4);
}
// The low halves of the first `count` (up to two) 64-bit lanes, in order, at `out`.
inline void store_low_halves64(vec v, std::size_t count, std::int32_t* out) {
  const vec halves = _mm_shuffle_epi32(v, 0x08);
  if (count == 2) _mm_storel_epi64(reinterpret_cast<vec*>(out), halves);
  if (count == 1) *out = _mm_cvtsi128_si32(halves);
}

}  // namespace number_list::simd::sse2
