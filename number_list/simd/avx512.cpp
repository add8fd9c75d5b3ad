// Kernels for x86-64 machines with AVX-512 (F, BW and CD, as every AVX-512 processor since
// Skylake-SP has them): a whole block classified in one step, four
// numbers converted and eight formatted at once. Built with the baseline's flags: only these
// functions use AVX-512, and they run only where runs_here() says the machine has it.
#include <immintrin.h>

// GCC 12 takes the deliberately undefined vectors inside its own AVX-512 intrinsics for unset
// ones (GCC bug 105593, fixed in 13).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_text.hpp"

#define NUMBERLIST_AVX512 [[gnu::target("avx512f,avx512bw,avx512cd")]]

namespace number_list::simd::avx512 {
namespace {

NUMBERLIST_AVX512 __mmask64 bytes_within(__m512i bytes, char lowest, char span) {
  return _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8(lowest)),
                                _mm512_set1_epi8(span));
}

NUMBERLIST_AVX512 __m128i load16(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

constexpr unsigned lanes = 4;

}  // namespace

bool runs_here() {
  return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512cd");
}

NUMBERLIST_AVX512 void classify(const char* bytes, std::size_t count, BlockMasks* masks) {
  for (std::size_t block = 0; block < count; ++block) {
    const __m512i v = _mm512_loadu_si512(bytes + block * block_size);
    masks[block] =
        BlockMasks{bytes_within(v, '0', 9),
                   bytes_within(v, '\t', 4) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' ')),
                   _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('+')) |
                       _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('-'))};
  }
}

NUMBERLIST_AVX512 std::size_t convert(const char* data, const std::uint32_t* ends,
                                      std::size_t count, std::int32_t* values) {
  std::size_t i = 0;
  for (; i + lanes <= count; i += lanes) {
    __m512i windows = _mm512_castsi128_si512(load16(data + ends[i] - convert_window));
    windows = _mm512_inserti32x4(windows, load16(data + ends[i + 1] - convert_window), 1);
    windows = _mm512_inserti32x4(windows, load16(data + ends[i + 2] - convert_window), 2);
    windows = _mm512_inserti32x4(windows, load16(data + ends[i + 3] - convert_window), 3);
    // Every byte at or before a window's last non-digit, found by smearing the non-digits down
    // within each 128-bit lane: what is left are the number's digits.
    __m512i before_digits = _mm512_movm_epi8(~bytes_within(windows, '0', 9));
    before_digits = _mm512_or_si512(before_digits, _mm512_bsrli_epi128(before_digits, 1));
    before_digits = _mm512_or_si512(before_digits, _mm512_bsrli_epi128(before_digits, 2));
    before_digits = _mm512_or_si512(before_digits, _mm512_bsrli_epi128(before_digits, 4));
    before_digits = _mm512_or_si512(before_digits, _mm512_bsrli_epi128(before_digits, 8));
    const std::uint64_t before = _mm512_movepi8_mask(before_digits);
    // A window of digits only may hold part of a longer number: those are the caller's.
    const std::uint64_t all_digits = ~before & 0x0001000100010001;
    if (all_digits != 0) {
      return i + sse2::convert(data, ends + i,
                               static_cast<std::size_t>(std::countr_zero(all_digits)) / 16,
                               values + i);
    }
    const __m512i value_bytes = _mm512_maskz_sub_epi8(~before, windows, _mm512_set1_epi8('0'));
    const __m512i pairs = _mm512_maddubs_epi16(value_bytes, _mm512_set1_epi16(10 | (1 << 8)));
    const __m512i quads = _mm512_madd_epi16(pairs, _mm512_set1_epi32(100 | (1 << 16)));
    const __m512i eights =
        _mm512_madd_epi16(_mm512_packus_epi32(quads, quads), _mm512_set1_epi32(10000 | (1 << 16)));
    // Each window's two eights are the two halves of its first 64-bit word: the early one times
    // 10^8 plus the late one, in 64-bit words 0, 2, 4 and 6.
    const __m512i magnitudes = _mm512_add_epi64(
        _mm512_mul_epu32(eights, _mm512_set1_epi64(100000000)), _mm512_srli_epi64(eights, 32));
    // The byte just before the digits (the last of `before`; a window ends with a digit, so
    // nothing crosses from the next lane) is the sign, if it is a minus.
    const std::uint64_t sign_bytes =
        before & ~(before >> 1) & _mm512_cmpeq_epi8_mask(windows, _mm512_set1_epi8('-'));
    const __mmask8 minus_words =
        _mm512_test_epi64_mask(_mm512_movm_epi8(sign_bytes), _mm512_set1_epi64(-1));
    const auto negative = static_cast<__mmask8>((minus_words | (minus_words >> 1)) & 0x55);
    const __m512i limits =
        _mm512_mask_add_epi64(_mm512_set1_epi64(2147483647), negative,
                              _mm512_set1_epi64(2147483647), _mm512_set1_epi64(1));
    const auto out_of_range =
        static_cast<unsigned>(_mm512_mask_cmpgt_epu64_mask(0x55, magnitudes, limits));
    const __m512i signed_values = _mm512_maskz_compress_epi64(
        0x55, _mm512_mask_sub_epi64(magnitudes, negative, _mm512_setzero_si512(), magnitudes));
    // Only the numbers before the first out of range are stored.
    const unsigned good =
        out_of_range == 0 ? lanes : static_cast<unsigned>(std::countr_zero(out_of_range)) / 2;
    _mm512_mask_storeu_epi32(values + i, static_cast<__mmask16>((1U << good) - 1),
                             _mm512_castsi256_si512(_mm512_cvtepi64_epi32(signed_values)));
    if (good < lanes) return i + good;
  }
  return i + sse2::convert(data, ends + i, count - i, values + i);
}

// Eight values at a time, one a 64-bit lane: the digits by multiply-and-shift splits in every
// lane at once (halves, quarters, then single digits: Daniel Lemire, "Converting integers to
// fixed-digit representations quickly", 2021), leading zeros kept (the caller copies from the
// text's first byte), then each slot's low and high words put together from two vectors.
NUMBERLIST_AVX512 void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  const __m512i one = _mm512_set1_epi64(1);
  // A slot's first word: blanks, a zero, then the two digits above 10^8.
  const __m512i blank_word = _mm512_set1_epi64(0x0000302020202020);
  const auto& steps = number_text::length_steps;
  const __m512i steps_low = _mm512_setr_epi64(steps[0], steps[1], steps[2], steps[3], steps[4],
                                              steps[5], steps[6], steps[7]);
  const __m512i steps_high = _mm512_setr_epi64(steps[8], steps[9], 0, 0, 0, 0, 0, 0);
  for (std::size_t first = 0; first < count; first += 8) {
    // Loaded under a mask: no read past the last value, no copy into a padded batch.
    const std::size_t here = std::min<std::size_t>(8, count - first);
    const __m256i signed_values = _mm512_castsi512_si256(
        _mm512_maskz_loadu_epi32(static_cast<__mmask16>((1U << here) - 1), values + first));
    const auto negative =
        static_cast<__mmask8>(_mm256_movemask_ps(_mm256_castsi256_ps(signed_values)));
    // abs() of INT32_MIN is its own bit pattern, which read unsigned is its magnitude.
    const __m512i magnitude = _mm512_cvtepu32_epi64(_mm256_abs_epi32(signed_values));
    const __m512i lead =
        _mm512_srli_epi64(_mm512_mul_epu32(magnitude, _mm512_set1_epi64(1441151881)), 57);
    const __m512i rest =
        _mm512_sub_epi64(magnitude, _mm512_mul_epu32(lead, _mm512_set1_epi64(100000000)));
    // rest: quads, pairs, then single digits, the first in the lowest byte.
    const __m512i quad_high =
        _mm512_srli_epi64(_mm512_mul_epu32(rest, _mm512_set1_epi64(109951163)), 40);
    const __m512i quad_low =
        _mm512_sub_epi64(rest, _mm512_mul_epu32(quad_high, _mm512_set1_epi64(10000)));
    const __m512i quads = _mm512_or_si512(quad_high, _mm512_slli_epi64(quad_low, 32));
    const __m512i quad_tops =
        _mm512_srli_epi32(_mm512_mullo_epi32(quads, _mm512_set1_epi32(10486)), 20);
    const __m512i pairs = _mm512_or_si512(
        quad_tops,
        _mm512_slli_epi32(
            _mm512_sub_epi32(quads, _mm512_mullo_epi32(quad_tops, _mm512_set1_epi32(100))), 16));
    const __m512i pair_tops =
        _mm512_srli_epi16(_mm512_mullo_epi16(pairs, _mm512_set1_epi16(103)), 10);
    const __m512i rest_digits = _mm512_or_si512(
        pair_tops,
        _mm512_slli_epi16(
            _mm512_sub_epi16(pairs, _mm512_mullo_epi16(pair_tops, _mm512_set1_epi16(10))), 8));
    const __m512i rest_text = _mm512_add_epi8(rest_digits, _mm512_set1_epi8('0'));
    // lead (0..42): two digits in bytes 6 and 7 of the low word.
    const __m512i lead_tens =
        _mm512_srli_epi16(_mm512_mullo_epi16(lead, _mm512_set1_epi16(103)), 10);
    const __m512i lead_ones =
        _mm512_sub_epi16(lead, _mm512_mullo_epi16(lead_tens, _mm512_set1_epi16(10)));
    const __m512i lead_text = _mm512_slli_epi64(
        _mm512_add_epi16(_mm512_or_si512(lead_tens, _mm512_slli_epi16(lead_ones, 8)),
                         _mm512_set1_epi16(0x3030)),
        48);
    // The length from the bit length, as number_text::decimal_length finds it.
    const __m512i bits = _mm512_sub_epi64(_mm512_set1_epi64(64),
                                          _mm512_lzcnt_epi64(_mm512_or_si512(magnitude, one)));
    const __m512i estimate = _mm512_srli_epi64(_mm512_mul_epu32(bits, _mm512_set1_epi64(1233)), 12);
    const __m512i step = _mm512_permutex2var_epi64(steps_low, estimate, steps_high);
    const __m512i length =
        _mm512_mask_add_epi64(estimate, _mm512_cmpge_epu64_mask(magnitude, step), estimate, one);
    // The minus goes over the zero just before the first digit (the low word's byte 5 is a zero
    // for a ten-digit value); a shift count past 63 leaves nothing.
    const __m512i minus = _mm512_set1_epi64('0' ^ '-');
    const __m512i minus_low = _mm512_maskz_sllv_epi64(
        negative, minus, _mm512_slli_epi64(_mm512_sub_epi64(_mm512_set1_epi64(15), length), 3));
    const __m512i minus_high = _mm512_maskz_sllv_epi64(
        negative, minus, _mm512_slli_epi64(_mm512_sub_epi64(_mm512_set1_epi64(7), length), 3));
    const __m512i low = _mm512_xor_si512(_mm512_or_si512(lead_text, blank_word), minus_low);
    const __m512i high = _mm512_xor_si512(rest_text, minus_high);
    // Slot k is (low k, high k).
    char* const slots = out.slots.data() + first * slot_size;
    _mm512_store_si512(
        slots, _mm512_permutex2var_epi64(low, _mm512_setr_epi64(0, 8, 1, 9, 2, 10, 3, 11), high));
    _mm512_store_si512(slots + 64, _mm512_permutex2var_epi64(
                                       low, _mm512_setr_epi64(4, 12, 5, 13, 6, 14, 7, 15), high));
    const __m512i total = _mm512_mask_add_epi64(length, negative, length, one);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&out.lengths[first]), _mm512_cvtepi64_epi8(total));
  }
}

}  // namespace number_list::simd::avx512
