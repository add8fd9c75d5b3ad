// The x86-64 baseline kernels: sixteen bytes a step, which every x86-64 machine has.
#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_ends.hpp"
#include "number_list/simd/number_text.hpp"
#include "number_list/simd/opaque.hpp"
#include "number_list/simd/sse2_vec.hpp"

namespace number_list::simd::sse2 {
namespace {

#include "number_list/simd/generic/kernels.hpp"

// A number's conversion window: the sixteen bytes before its end as digit values, the bytes
// before its digits zeroed, and how many digits it has (16: at least that many).
struct Window {
  __m128i digits;
  unsigned count;
};
Window window_before(const char* end) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - convert_window));
  const auto non_digits = static_cast<std::uint16_t>(~bits_of(bytes_within(bytes, '0', 9)));
  const auto count = static_cast<unsigned>(std::countl_zero(non_digits));
  const __m128i keep = _mm_loadu_si128(
      reinterpret_cast<const __m128i*>(number_text::keep_last_bytes.data() + count));
  return {_mm_and_si128(_mm_sub_epi8(bytes, _mm_set1_epi8('0')), keep), count};
}

// The values of a window's four groups of four digits, as 32-bit lanes, the first group first.
__m128i four_digit_groups(__m128i digits) {
  // Pairs: the even (earlier) byte of each 16-bit lane times ten plus the odd one.
  const __m128i even = _mm_and_si128(digits, _mm_set1_epi16(0xFF));
  __m128i ten = _mm_set1_epi16(10);
  hide(ten);
  const __m128i pairs = _mm_add_epi16(_mm_mullo_epi16(even, ten), _mm_srli_epi16(digits, 8));
  return _mm_madd_epi16(pairs, _mm_set1_epi32(100 | (1 << 16)));
}

// The magnitudes of two windows' digits, as 64-bit lanes: both windows' groups packed into one
// register, so that the last two steps are taken for both at once.
__m128i two_magnitudes(__m128i first_digits, __m128i second_digits) {
  const __m128i groups =
      _mm_packs_epi32(four_digit_groups(first_digits), four_digit_groups(second_digits));
  const __m128i eights = _mm_madd_epi16(groups, _mm_set1_epi32(10000 | (1 << 16)));
  return _mm_add_epi64(_mm_mul_epu32(eights, _mm_set1_epi32(100000000)),
                       _mm_srli_epi64(eights, 32));
}

bool is_negative(const char* end, const Window& w) {
  return end[-static_cast<int>(w.count) - 1] == '-';
}

bool store_number(const char* end, const Window& w, std::uint64_t magnitude, std::int32_t& value) {
  return number_text::store_signed(magnitude, is_negative(end, w), value);
}

// Four numbers' values from their magnitudes (numbers 0 and 1 in `first_two`, 2 and 3 in
// `second_two`, as 64-bit lanes) and signs, stored if all four are in range. SSE2 has no 64-bit
// comparison: a magnitude is in range when its high half is zero and its low half is below 2^31,
// or exactly 2^31 with a minus.
bool store_four(__m128i first_two, __m128i second_two, __m128i negative, std::int32_t* values) {
  const __m128 first = _mm_castsi128_ps(first_two);
  const __m128 second = _mm_castsi128_ps(second_two);
  const __m128i lows = _mm_castps_si128(_mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0)));
  const __m128i highs = _mm_castps_si128(_mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1)));
  const __m128i least_negative =
      _mm_and_si128(negative, _mm_cmpeq_epi32(lows, _mm_set1_epi32(INT32_MIN)));
  const __m128i too_large = _mm_andnot_si128(least_negative, lows);  // by its top bit
  if (_mm_movemask_ps(_mm_castsi128_ps(too_large)) != 0 ||
      _mm_movemask_epi8(_mm_cmpeq_epi32(highs, _mm_setzero_si128())) != 0xFFFF) {
    return false;
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(values),
                   _mm_sub_epi32(_mm_xor_si128(lows, negative), negative));
  return true;
}

}  // namespace

bool runs_here() { return true; }  // part of x86-64 itself

// Four numbers an iteration, their signs and ranges checked side by side; then, and from any
// four that need more care (too many digits, out of range), two at a time and one at a time,
// stopping where a number must be read the slow way.
std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const std::array<const char*, 4> end = {data + ends[i], data + ends[i + 1], data + ends[i + 2],
                                            data + ends[i + 3]};
    const std::array<Window, 4> w = {window_before(end[0]), window_before(end[1]),
                                     window_before(end[2]), window_before(end[3])};
    if (std::max({w[0].count, w[1].count, w[2].count, w[3].count}) > convertible_digits) break;
    unsigned negative_lanes = 0;
    for (unsigned k = 0; k < 4; ++k) {
      negative_lanes |= static_cast<unsigned>(is_negative(end[k], w[k])) << k;
    }
    const __m128i negative = _mm_load_si128(reinterpret_cast<const __m128i*>(
        number_text::lanes_set<std::int32_t>[negative_lanes].data()));
    if (!store_four(two_magnitudes(w[0].digits, w[1].digits),
                    two_magnitudes(w[2].digits, w[3].digits), negative, values + i)) {
      break;
    }
  }
  for (; i + 2 <= count; i += 2) {
    const char* const first_end = data + ends[i];
    const char* const second_end = data + ends[i + 1];
    const Window first = window_before(first_end);
    const Window second = window_before(second_end);
    if (first.count > convertible_digits || second.count > convertible_digits) break;
    const __m128i magnitudes = two_magnitudes(first.digits, second.digits);
    if (!store_number(first_end, first, static_cast<std::uint64_t>(_mm_cvtsi128_si64(magnitudes)),
                      values[i])) {
      return i;
    }
    if (!store_number(second_end, second,
                      static_cast<std::uint64_t>(
                          _mm_cvtsi128_si64(_mm_unpackhi_epi64(magnitudes, magnitudes))),
                      values[i + 1])) {
      return i + 1;
    }
  }
  for (; i < count; ++i) {
    const char* const end = data + ends[i];
    const Window w = window_before(end);
    if (w.count > convertible_digits) return i;
    const __m128i magnitudes = two_magnitudes(w.digits, _mm_setzero_si128());
    if (!store_number(end, w, static_cast<std::uint64_t>(_mm_cvtsi128_si64(magnitudes)),
                      values[i])) {
      return i;
    }
  }
  return count;
}

extern const Kernels kernels{"sse2",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::sse2
