// Kernels for x86-64 machines with AVX2: thirty-two bytes a step, four numbers converted and eight
// values formatted at once.
// Built with the baseline's flags: only the functions between the target pragmas use AVX2, and
// they run only where runs_here() says the machine has it.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_ends.hpp"
#include "number_list/simd/number_text.hpp"
#include "number_list/simd/opaque.hpp"

namespace number_list::simd::avx2 {

// Built for the baseline, as the dispatcher that calls it.
bool runs_here() { return __builtin_cpu_supports("avx2"); }

}  // namespace number_list::simd::avx2

// Everything from here to the kernel table is built for AVX2.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "number_list/simd/avx2_vec.hpp"

namespace number_list::simd::avx2 {
namespace {

#include "number_list/simd/generic/kernels.hpp"

__m128i load16(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }

// The digits counted back from the end of a sixteen-byte window, given which of its bytes are not
// digits.
unsigned digits_before_end(std::uint64_t non_digits) {
  return static_cast<unsigned>(std::countl_zero(static_cast<std::uint16_t>(non_digits)));
}

// The conversion windows of two numbers, the first in the low half.
__m256i two_windows(const char* data, const std::uint32_t* ends) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(load16(data + ends[0] - convert_window)),
                                 load16(data + ends[1] - convert_window), 1);
}

// What keeps the last `first` bytes of the low half and the last `second` of the high one.
__m256i keep_last(unsigned first, unsigned second) {
  const auto* const keep = number_text::keep_last_bytes.data();
  return _mm256_inserti128_si256(_mm256_castsi128_si256(load16(keep + first)),
                                 load16(keep + second), 1);
}

// The values of each half's four groups of four digits, as 32-bit lanes, the first group first.
__m256i four_digit_groups(__m256i windows, __m256i keep) {
  const __m256i digits = _mm256_and_si256(_mm256_sub_epi8(windows, _mm256_set1_epi8('0')), keep);
  const __m256i pairs = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(10 | (1 << 8)));
  return _mm256_madd_epi16(pairs, _mm256_set1_epi32(100 | (1 << 16)));
}

}  // namespace

// Four numbers an iteration, windows 0 and 1 in one register and 2 and 3 in another; their
// signs and ranges are checked in the vector too. A number that needs more care (too many digits,
// out of range) hands the rest to the SSE2 kernel, which stops where it must.
std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m256i first_pair = two_windows(data, ends + i);
    const __m256i second_pair = two_windows(data, ends + i + 2);
    const std::uint64_t first_non_digits = ~bits_of(bytes_within(first_pair, '0', 9));
    const std::uint64_t second_non_digits = ~bits_of(bytes_within(second_pair, '0', 9));
    const std::array<unsigned, 4> digits = {
        digits_before_end(first_non_digits), digits_before_end(first_non_digits >> 16),
        digits_before_end(second_non_digits), digits_before_end(second_non_digits >> 16)};
    if (*std::max_element(digits.begin(), digits.end()) > convertible_digits) break;
    const __m256i groups =
        _mm256_packs_epi32(four_digit_groups(first_pair, keep_last(digits[0], digits[1])),
                           four_digit_groups(second_pair, keep_last(digits[2], digits[3])));
    // Per half: the first pair's number, then the second pair's, each as its two eights.
    const __m256i eights = _mm256_madd_epi16(groups, _mm256_set1_epi32(10000 | (1 << 16)));
    const __m256i magnitudes = _mm256_add_epi64(
        _mm256_mul_epu32(eights, _mm256_set1_epi64x(100000000)), _mm256_srli_epi64(eights, 32));
    // The sign is the byte just before the digits; the 64-bit lanes hold numbers 0, 2, 1, 3.
    const std::uint64_t first_minus = bits_of(_mm256_cmpeq_epi8(first_pair, _mm256_set1_epi8('-')));
    const std::uint64_t second_minus =
        bits_of(_mm256_cmpeq_epi8(second_pair, _mm256_set1_epi8('-')));
    const auto minus_at = [](std::uint64_t minus, std::size_t half, std::size_t digits_here) {
      return (minus >> (16 * half + convertible_digits - digits_here)) & 1U;
    };
    const std::uint64_t negative_lanes =
        minus_at(first_minus, 0, digits[0]) | minus_at(second_minus, 0, digits[2]) << 1 |
        minus_at(first_minus, 1, digits[1]) << 2 | minus_at(second_minus, 1, digits[3]) << 3;
    const __m256i negative = _mm256_load_si256(reinterpret_cast<const __m256i*>(
        number_text::lanes_set<std::int64_t>[negative_lanes].data()));
    // A negative number may reach one further: 2147483648 less one is the largest magnitude.
    const __m256i out_of_range =
        _mm256_cmpgt_epi64(_mm256_add_epi64(magnitudes, negative), _mm256_set1_epi64x(2147483647));
    if (_mm256_movemask_epi8(out_of_range) != 0) break;
    const __m256i signed_values =
        _mm256_sub_epi64(_mm256_xor_si256(magnitudes, negative), negative);
    const __m256i in_order =
        _mm256_permutevar8x32_epi32(signed_values, _mm256_setr_epi32(0, 4, 2, 6, 0, 4, 2, 6));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values + i), _mm256_castsi256_si128(in_order));
  }
  return i + sse2::convert(data, ends + i, count - i, values + i);
}

}  // namespace number_list::simd::avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

namespace number_list::simd::avx2 {

extern const Kernels kernels{"avx2",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::avx2
