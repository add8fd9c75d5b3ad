// AVX-512's vector layer: one 512-bit register, four 128-bit lanes, of the generic kernels' steps
// (generic/*.hpp). Comparisons give mask registers, one bit a lane, which masked instructions take
// as they are. Included where everything is built for AVX-512 (F, BW, DQ, CD).
#pragma once

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "number_list/simd/number_text.hpp"
#include "number_list/simd/opaque.hpp"

namespace number_list::simd::avx512 {

using vec = __m512i;
using flags8 = __mmask64;  // a comparison's result, one bit a byte
// Values formatted in one register, four to each 128-bit lane.
inline constexpr std::size_t values_per_vec = 16;

inline vec load(const void* p) { return _mm512_loadu_si512(p); }
// The sixteen bytes before data + ends[2k] in lane k.
inline vec load_windows(const char* data, const std::uint32_t* ends, std::size_t window) {
  const auto at = [&](std::size_t k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + ends[2 * k] - window));
  };
  const vec low = _mm512_inserti32x4(_mm512_castsi128_si512(at(0)), at(1), 1);
  return _mm512_inserti64x4(low, _mm256_inserti128_si256(_mm256_castsi128_si256(at(2)), at(3), 1),
                            1);
}
inline vec zero() { return _mm512_setzero_si512(); }
inline vec splat8(char c) { return _mm512_set1_epi8(c); }
inline vec splat16(std::int16_t n) { return _mm512_set1_epi16(n); }
inline vec splat32(std::int32_t n) { return _mm512_set1_epi32(n); }
inline vec splat64(std::int64_t n) { return _mm512_set1_epi64(n); }
inline vec bit_and(vec a, vec b) { return _mm512_and_si512(a, b); }
inline vec bit_or(vec a, vec b) { return _mm512_or_si512(a, b); }
inline vec bit_xor(vec a, vec b) { return _mm512_xor_si512(a, b); }
inline vec and_not(vec a, vec b) { return _mm512_andnot_si512(a, b); }  // ~a & b
inline vec add8(vec a, vec b) { return _mm512_add_epi8(a, b); }
inline vec sub8(vec a, vec b) { return _mm512_sub_epi8(a, b); }
inline flags8 equal8(vec a, vec b) { return _mm512_cmpeq_epi8_mask(a, b); }
inline flags8 at_most_u8(vec a, vec b) { return _mm512_cmple_epu8_mask(a, b); }
inline flags8 at_least_u8(vec a, vec b) { return _mm512_cmpge_epu8_mask(a, b); }
inline flags8 either(flags8 a, flags8 b) { return a | b; }
inline std::uint64_t bits_of(flags8 flags) { return flags; }
// A block's flags: one register's bits.
using BlockBits = std::uint64_t;
inline void gather(BlockBits& bits, unsigned /*part*/, flags8 flags) { bits = flags; }
inline vec sub8_where(vec v, flags8 flags, vec amount) {
  return _mm512_mask_sub_epi8(v, flags, v, amount);
}
// Each window's last digits[k] bytes, the rest zeroed: under a mask, sixteen bits a window. Only
// the generic counting step calls it, which this set replaces with avx512.cpp's masked_windows; it
// is here so that the generic kernels build over every layer.
inline vec keep_last(vec v, const std::array<unsigned, 4>& digits) {
  std::uint64_t keep = 0;
  for (unsigned k = 0; k < 4; ++k)
    keep |= std::uint64_t{(0xFFFF0000U >> digits[k]) & 0xFFFFU} << (16 * k);
  return _mm512_maskz_mov_epi8(keep, v);
}
inline vec add16(vec a, vec b) { return _mm512_add_epi16(a, b); }
inline vec sub16(vec a, vec b) { return _mm512_sub_epi16(a, b); }
inline vec mul16(vec a, vec b) { return _mm512_mullo_epi16(a, b); }
inline vec mul_high_u16(vec a, vec b) { return _mm512_mulhi_epu16(a, b); }
inline vec mul_add16(vec a, vec b) { return _mm512_madd_epi16(a, b); }
inline vec pair_values(vec digits) {
  return _mm512_maddubs_epi16(digits, _mm512_set1_epi16(10 | (1 << 8)));
}
// By a count in a register, which the compilers make an immediate: the immediate forms take an
// int in GCC and an unsigned int in clang.
inline vec shift_left16(vec v, int n) { return _mm512_sll_epi16(v, _mm_cvtsi32_si128(n)); }
inline vec shift_right16(vec v, int n) { return _mm512_srl_epi16(v, _mm_cvtsi32_si128(n)); }
inline vec interleave_low16(vec a, vec b) { return _mm512_unpacklo_epi16(a, b); }
inline vec interleave_high16(vec a, vec b) { return _mm512_unpackhi_epi16(a, b); }
inline vec add32(vec a, vec b) { return _mm512_add_epi32(a, b); }
inline vec sub32(vec a, vec b) { return _mm512_sub_epi32(a, b); }
inline vec abs32(vec v) { return _mm512_abs_epi32(v); }
// The decimal length of each 32-bit magnitude, as number_text::decimal_length() finds it: an
// estimate from the leading zeros, one more where the magnitude reaches the estimate's step, each
// looked up by a permute. Against a comparison with each of the nine steps, on a Zen 4: reverselist
// 3 to 6 % and extendlist 2 to 4 % faster (three side-by-side runs of 31 to 41 rounds).
inline vec decimal_lengths_from_leading_zeros(vec magnitude) {
  static constexpr auto estimates = [] {
    std::array<std::int32_t, 32> e{};
    for (unsigned zeros = 0; zeros < e.size(); ++zeros) {
      e.at(zeros) = static_cast<std::int32_t>(number_text::length_estimate(zeros));
    }
    return e;
  }();
  static constexpr auto steps = [] {
    std::array<std::uint32_t, 16> s{};
    std::copy(number_text::length_steps.begin(), number_text::length_steps.end(), s.begin());
    return s;
  }();
  // Or-ed with 1, as decimal_length() does: 31 leading zeros at most, one of the 32 estimates.
  const vec zeros = _mm512_lzcnt_epi32(_mm512_or_si512(magnitude, _mm512_set1_epi32(1)));
  const vec estimate =
      _mm512_permutex2var_epi32(load(estimates.data()), zeros, load(estimates.data() + 16));
  const vec step = _mm512_permutexvar_epi32(estimate, load(steps.data()));
  return _mm512_mask_add_epi32(estimate, _mm512_cmpge_epu32_mask(magnitude, step), estimate,
                               _mm512_set1_epi32(1));
}
inline vec shift_left32(vec v, int n) { return _mm512_slli_epi32(v, static_cast<unsigned>(n)); }
inline vec shift_right_signed32(vec v, int n) {
  return _mm512_srai_epi32(v, static_cast<unsigned>(n));
}
inline vec interleave_low32(vec a, vec b) { return _mm512_unpacklo_epi32(a, b); }
inline vec interleave_high32(vec a, vec b) { return _mm512_unpackhi_epi32(a, b); }
inline vec pack32_to16(vec a, vec b) { return _mm512_packs_epi32(a, b); }
template <int lanes>
vec shuffle32(vec v) {
  return _mm512_shuffle_epi32(v, static_cast<_MM_PERM_ENUM>(lanes));
}
inline vec add64(vec a, vec b) { return _mm512_add_epi64(a, b); }
inline vec sub64(vec a, vec b) { return _mm512_sub_epi64(a, b); }
inline vec mul_u32(vec a, vec b) { return _mm512_mul_epu32(a, b); }  // the low halves, to 64 bits
inline vec shift_left64(vec v, int n) { return _mm512_slli_epi64(v, static_cast<unsigned>(n)); }
inline vec shift_right64(vec v, int n) { return _mm512_srli_epi64(v, static_cast<unsigned>(n)); }
inline vec interleave_low64(vec a, vec b) { return _mm512_unpacklo_epi64(a, b); }
inline vec interleave_high64(vec a, vec b) { return _mm512_unpackhi_epi64(a, b); }
inline std::uint64_t sign_bits64(vec v) { return _mm512_movepi64_mask(v); }
inline vec lanes64_set(std::uint64_t bits) {
  return _mm512_movm_epi64(static_cast<__mmask8>(bits));
}

// Bytes 0 to 15 of each 128-bit lane.
inline vec byte_places() {
  return _mm512_broadcast_i32x4(
      _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
}
// Slot k of each lane's four values: lane q's goes to slot 4q + k.
inline void store_slot(vec slot, char* slots, std::size_t k, std::size_t slot_bytes) {
  const auto at = [=](std::size_t lane) {
    return reinterpret_cast<__m128i*>(slots + (4 * lane + k) * slot_bytes);
  };
  _mm_storeu_si128(at(0), _mm512_castsi512_si128(slot));
  _mm_storeu_si128(at(1), _mm512_extracti32x4_epi32(slot, 1));
  _mm_storeu_si128(at(2), _mm512_extracti32x4_epi32(slot, 2));
  _mm_storeu_si128(at(3), _mm512_extracti32x4_epi32(slot, 3));
}
// The low byte of each 32-bit lane, in order, at `out`.
inline void store_low_bytes32(vec v, std::uint8_t* out) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm512_cvtepi32_epi8(v));
}
// The low halves of the first `count` 64-bit lanes, in order, at `out`.
inline void store_low_halves64(vec v, std::size_t count, std::int32_t* out) {
  _mm512_mask_storeu_epi32(out, static_cast<__mmask16>((1U << count) - 1),
                           _mm512_castsi256_si512(_mm512_cvtepi64_epi32(v)));
}

}  // namespace number_list::simd::avx512
