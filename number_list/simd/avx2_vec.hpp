// AVX2's vector layer: one 256-bit register, two 128-bit lanes, of the generic kernels' steps
// (generic/*.hpp). Included where everything is built for AVX2.
#pragma once

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/number_text.hpp"
#include "number_list/simd/opaque.hpp"

namespace number_list::simd::avx2 {

using vec = __m256i;
using flags8 = vec;  // a comparison's result: all ones in the lanes where it holds
using flags32 = vec;
// Values formatted in one register, four to each 128-bit lane.
inline constexpr std::size_t values_per_vec = 8;

inline vec load(const void* p) { return _mm256_loadu_si256(static_cast<const vec*>(p)); }
// The sixteen bytes before data + ends[0] in the low lane, before data + ends[2] in the high one.
inline vec load_windows(const char* data, const std::uint32_t* ends, std::size_t window) {
  const auto at = [&](std::size_t k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + ends[k] - window));
  };
  return _mm256_inserti128_si256(_mm256_castsi128_si256(at(0)), at(2), 1);
}
inline vec zero() { return _mm256_setzero_si256(); }
inline vec splat8(char c) { return _mm256_set1_epi8(c); }
inline vec splat16(std::int16_t n) { return _mm256_set1_epi16(n); }
inline vec splat32(std::int32_t n) { return _mm256_set1_epi32(n); }
inline vec splat64(std::int64_t n) { return _mm256_set1_epi64x(n); }
inline vec bit_and(vec a, vec b) { return _mm256_and_si256(a, b); }
inline vec bit_or(vec a, vec b) { return _mm256_or_si256(a, b); }
inline vec bit_xor(vec a, vec b) { return _mm256_xor_si256(a, b); }
inline vec and_not(vec a, vec b) { return _mm256_andnot_si256(a, b); }  // ~a & b
inline vec add8(vec a, vec b) { return _mm256_add_epi8(a, b); }
inline vec sub8(vec a, vec b) { return _mm256_sub_epi8(a, b); }
inline flags8 equal8(vec a, vec b) { return _mm256_cmpeq_epi8(a, b); }
inline flags8 at_most_u8(vec a, vec b) { return _mm256_cmpeq_epi8(_mm256_min_epu8(a, b), a); }
inline flags8 at_least_u8(vec a, vec b) { return _mm256_cmpeq_epi8(_mm256_max_epu8(a, b), a); }
inline flags8 either(flags8 a, flags8 b) { return _mm256_or_si256(a, b); }
inline std::uint64_t bits_of(vec flags) {  // one bit a byte, from its top bit
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(flags));
}
// A block's flags, gathered into bits a register at a time.
using BlockBits = std::uint64_t;
inline void gather(BlockBits& bits, unsigned part, flags8 flags) {
  bits |= bits_of(flags) << (sizeof(vec) * part);
}
inline std::uint64_t bits_of(BlockBits bits) { return bits; }
inline vec sub8_where(vec v, flags8 flags, vec amount) { return sub8(v, bit_and(flags, amount)); }
// Each window's last digits[k] bytes, the rest zeroed.
inline vec keep_last(vec v, const std::array<unsigned, 2>& digits) {
  const auto row = [](unsigned n) {
    return _mm_loadu_si128(
        reinterpret_cast<const __m128i*>(number_text::keep_last_bytes.data() + n));
  };
  return _mm256_and_si256(
      v, _mm256_inserti128_si256(_mm256_castsi128_si256(row(digits[0])), row(digits[1]), 1));
}
inline vec add16(vec a, vec b) { return _mm256_add_epi16(a, b); }
inline vec sub16(vec a, vec b) { return _mm256_sub_epi16(a, b); }
inline vec mul16(vec a, vec b) { return _mm256_mullo_epi16(a, b); }
inline vec mul_high_u16(vec a, vec b) { return _mm256_mulhi_epu16(a, b); }
inline vec mul_add16(vec a, vec b) { return _mm256_madd_epi16(a, b); }
inline vec pair_values(vec digits) {  // the earlier digit byte the tens
  return _mm256_maddubs_epi16(digits, _mm256_set1_epi16(10 | (1 << 8)));
}
inline vec shift_left16(vec v, int n) { return _mm256_slli_epi16(v, n); }
inline vec shift_right16(vec v, int n) { return _mm256_srli_epi16(v, n); }
inline vec interleave_low16(vec a, vec b) { return _mm256_unpacklo_epi16(a, b); }
inline vec interleave_high16(vec a, vec b) { return _mm256_unpackhi_epi16(a, b); }
inline vec add32(vec a, vec b) { return _mm256_add_epi32(a, b); }
inline vec sub32(vec a, vec b) { return _mm256_sub_epi32(a, b); }
inline vec add_one32_where(vec v, flags32 flags) { return _mm256_sub_epi32(v, flags); }
inline vec shift_left32(vec v, int n) { return _mm256_slli_epi32(v, n); }
inline vec shift_right_signed32(vec v, int n) { return _mm256_srai_epi32(v, n); }
inline vec interleave_low32(vec a, vec b) { return _mm256_unpacklo_epi32(a, b); }
inline vec interleave_high32(vec a, vec b) { return _mm256_unpackhi_epi32(a, b); }
inline vec pack32_to16(vec a, vec b) { return _mm256_packs_epi32(a, b); }
template <int lanes>
vec shuffle32(vec v) {
  return _mm256_shuffle_epi32(v, lanes);
}
inline vec add64(vec a, vec b) { return _mm256_add_epi64(a, b); }
inline vec sub64(vec a, vec b) { return _mm256_sub_epi64(a, b); }
inline vec mul_u32(vec a, vec b) { return _mm256_mul_epu32(a, b); }  // the low halves, to 64 bits
inline vec shift_left64(vec v, int n) { return _mm256_slli_epi64(v, n); }
inline vec shift_right64(vec v, int n) { return _mm256_srli_epi64(v, n); }
inline vec interleave_low64(vec a, vec b) { return _mm256_unpacklo_epi64(a, b); }
inline vec interleave_high64(vec a, vec b) { return _mm256_unpackhi_epi64(a, b); }
inline std::uint64_t sign_bits64(vec v) {
  return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(v)));
}
inline vec lanes64_set(std::uint64_t bits) {  // all ones in the 64-bit lanes of the set bits
  return _mm256_load_si256(reinterpret_cast<const vec*>(number_text::lanes_set[bits].data()));
}

inline vec abs32(vec v) { return _mm256_abs_epi32(v); }
inline flags32 at_least_u32(vec v, std::uint32_t least) {  // where v >= least, unsigned
  return _mm256_cmpeq_epi32(
      _mm256_max_epu32(v, _mm256_set1_epi32(static_cast<std::int32_t>(least))), v);
}
// Bytes 0 to 15 of each 128-bit lane.
inline vec byte_places() {
  return _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6,
                          7, 8, 9, 10, 11, 12, 13, 14, 15);
}
// Slot k of each lane's four values: lane q's goes to slot 4q + k.
inline void store_slot(vec slot, char* slots, std::size_t k, std::size_t slot_bytes) {
  _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(slots + (4 + k) * slot_bytes),
                       reinterpret_cast<__m128i*>(slots + k * slot_bytes), slot);
}
// The low byte of each 32-bit lane, in order, at `out`.
inline void store_low_bytes32(vec v, std::uint8_t* out) {
  const vec bytes = _mm256_packus_epi16(_mm256_packs_epi32(v, v), _mm256_setzero_si256());
  const auto low = _mm256_cvtsi256_si32(bytes);
  const auto high = _mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1));
  std::memcpy(out, &low, 4);
  std::memcpy(out + 4, &high, 4);
}
// The low halves of the first `count` (up to four) 64-bit lanes, in order, at `out`: a masked
// store only for a step's last few, since it is slow on some processors.
inline void store_low_halves64(vec v, std::size_t count, std::int32_t* out) {
  const __m128i halves = _mm256_castsi256_si128(
      _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
  if (count == 4) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), halves);
    return;
  }
  const __m128i places = _mm_setr_epi32(0, 1, 2, 3);
  _mm_maskstore_epi32(out, _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<int>(count)), places),
                      halves);
}

}  // namespace number_list::simd::avx2
