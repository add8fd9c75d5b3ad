// AVX2's vector layer: one 256-bit register, two 128-bit lanes, of the generic kernels' steps
// (generic/*.hpp). Included where everything is built for AVX2.
#pragma once

#include <immintrin.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

namespace number_list::simd::avx2 {

using vec = __m256i;
// Values formatted in one register, four to each 128-bit lane.
inline constexpr std::size_t values_per_vec = 8;

inline vec load(const void* p) { return _mm256_loadu_si256(static_cast<const vec*>(p)); }
// Up to eight values, loaded under a mask: no read past the last.
inline vec load_values(const std::int32_t* values, std::size_t available) {
  const auto here = static_cast<int>(std::min<std::size_t>(8, available));
  const vec places = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  return _mm256_maskload_epi32(values, _mm256_cmpgt_epi32(_mm256_set1_epi32(here), places));
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
inline vec min_u8(vec a, vec b) { return _mm256_min_epu8(a, b); }
inline vec equal8(vec a, vec b) { return _mm256_cmpeq_epi8(a, b); }
inline std::uint64_t bits_of(vec flags) {  // one bit a byte, from its top bit
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(flags));
}
inline vec add16(vec a, vec b) { return _mm256_add_epi16(a, b); }
inline vec sub16(vec a, vec b) { return _mm256_sub_epi16(a, b); }
inline vec mul16(vec a, vec b) { return _mm256_mullo_epi16(a, b); }
inline vec mul_high_u16(vec a, vec b) { return _mm256_mulhi_epu16(a, b); }
inline vec shift_left16(vec v, int n) { return _mm256_slli_epi16(v, n); }
inline vec shift_right16(vec v, int n) { return _mm256_srli_epi16(v, n); }
inline vec interleave_low16(vec a, vec b) { return _mm256_unpacklo_epi16(a, b); }
inline vec interleave_high16(vec a, vec b) { return _mm256_unpackhi_epi16(a, b); }
inline vec add32(vec a, vec b) { return _mm256_add_epi32(a, b); }
inline vec sub32(vec a, vec b) { return _mm256_sub_epi32(a, b); }
inline vec shift_left32(vec v, int n) { return _mm256_slli_epi32(v, n); }
inline vec shift_right_signed32(vec v, int n) { return _mm256_srai_epi32(v, n); }
inline vec interleave_low32(vec a, vec b) { return _mm256_unpacklo_epi32(a, b); }
inline vec interleave_high32(vec a, vec b) { return _mm256_unpackhi_epi32(a, b); }
template <int lanes>
vec shuffle32(vec v) {
  return _mm256_shuffle_epi32(v, lanes);
}
inline vec sub64(vec a, vec b) { return _mm256_sub_epi64(a, b); }
inline vec mul_u32(vec a, vec b) { return _mm256_mul_epu32(a, b); }  // the low halves, to 64 bits
inline vec shift_left64(vec v, int n) { return _mm256_slli_epi64(v, n); }
inline vec shift_right64(vec v, int n) { return _mm256_srli_epi64(v, n); }
inline vec interleave_low64(vec a, vec b) { return _mm256_unpacklo_epi64(a, b); }
inline vec interleave_high64(vec a, vec b) { return _mm256_unpackhi_epi64(a, b); }

inline vec abs32(vec v) { return _mm256_abs_epi32(v); }
inline vec at_least_u32(vec v, std::uint32_t least) {  // all ones where v >= least, unsigned
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
// The low byte of each 32-bit lane, in order, as the low bytes of a word.
inline std::uint64_t low_bytes32(vec v) {
  const vec bytes = _mm256_packus_epi16(_mm256_packs_epi32(v, v), _mm256_setzero_si256());
  return static_cast<std::uint32_t>(_mm256_cvtsi256_si32(bytes)) |
         std::uint64_t{
             static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)))}
             << 32;
}

}  // namespace number_list::simd::avx2
