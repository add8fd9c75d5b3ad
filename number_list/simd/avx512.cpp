// Kernels for x86-64 machines with AVX-512 (F, BW and CD, as every AVX-512 processor since
// Skylake-SP has them): a whole block classified in one step, eight numbers converted and sixteen
// formatted at once; where VBMI2 is there too (Ice Lake, Zen 4 and later), number ends taken out
// of the masks by a byte compress (avx512_vbmi2.cpp). Built with the baseline's flags: only these
// functions use AVX-512, and they run only where runs_here() says the machine has it.
#include <immintrin.h>

// GCC 12 takes the deliberately undefined vectors inside its own AVX-512 intrinsics for unset
// ones (GCC bug 105593, fixed in 13).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

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

#define NUMBERLIST_AVX512 [[gnu::target("avx512f,avx512bw,avx512cd")]]
// The converter gathers bits by pext too, which every AVX-512 processor has.
#define NUMBERLIST_AVX512_CONVERT [[gnu::target("avx512f,avx512bw,avx512cd,bmi2")]]

namespace number_list::simd::avx512 {
namespace {

NUMBERLIST_AVX512 __mmask64 bytes_within(__m512i bytes, char lowest, char span) {
  return _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8(lowest)),
                                _mm512_set1_epi8(span));
}

NUMBERLIST_AVX512 __m128i load16(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

}  // namespace

bool runs_here() {
  return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512cd") &&
         __builtin_cpu_supports("bmi2");
}

// A block's stops found in mask registers, from a second load one byte on for the digits after
// each byte.
NUMBERLIST_AVX512 std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  std::uint64_t digit_before = 0;
  for (std::size_t b = 0; b < count; ++b) {
    const char* const block = bytes + b * block_size;
    const __m512i v = _mm512_loadu_si512(block);
    const number_ends::ByteClasses c{
        bytes_within(v, '0', 9),
        bytes_within(v, '\t', 4) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' ')),
        _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('+')) |
            _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('-'))};
    const std::uint64_t stops =
        number_ends::stops(c, bytes_within(_mm512_loadu_si512(block + 1), '0', 9));
    ends[b] = number_ends::up_to_first_stop(number_ends::run_ends(c.digits, digit_before), stops);
    if (stops != 0) return b + 1;
    digit_before = c.digits >> 63;
  }
  return count;
}

namespace {

// Each window is reversed within its 128-bit lane, its last byte first: the number's digits are
// then the bytes below the lowest non-digit, which two scalar steps find in four windows at once.
constexpr std::uint64_t lowest_bits = 0x0001000100010001;
constexpr std::uint64_t highest_bits = 0x8000800080008000;

struct ReversedWindows {
  __m512i bytes;
  // Bit i of a lane's 16: byte i back from its end is a digit of the number. In a window of
  // digits only, which may hold part of a longer number and is the caller's, the borrow reaches
  // the lane's top bit.
  std::uint64_t digits;
};

// The windows of the numbers ending at ends[0], ends[2], ends[4] and ends[6].
NUMBERLIST_AVX512_CONVERT ReversedWindows reversed_windows(const char* data,
                                                           const std::uint32_t* ends) {
  __m512i windows = _mm512_castsi128_si512(load16(data + ends[0] - convert_window));
  windows = _mm512_inserti32x4(windows, load16(data + ends[2] - convert_window), 1);
  windows = _mm512_inserti32x4(windows, load16(data + ends[4] - convert_window), 2);
  windows = _mm512_inserti32x4(windows, load16(data + ends[6] - convert_window), 3);
  const __m512i reversed = _mm512_shuffle_epi8(
      windows,
      _mm512_broadcast_i32x4(_mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0)));
  const std::uint64_t non_digits = ~bytes_within(reversed, '0', 9);
  return {reversed, (non_digits - lowest_bits) & ~non_digits};
}

// Each lane's top bit, where its number is negative: the byte just past the digits is its sign,
// if it is a minus.
NUMBERLIST_AVX512_CONVERT std::uint64_t negative_lanes(const ReversedWindows& windows) {
  const std::uint64_t minus =
      (windows.digits + lowest_bits) & _mm512_cmpeq_epi8_mask(windows.bytes, _mm512_set1_epi8('-'));
  return (minus | ((minus & ~highest_bits) + (highest_bits - lowest_bits))) & highest_bits;
}

// Each window's four groups of four digits, as 32-bit lanes, the ones' group first.
NUMBERLIST_AVX512_CONVERT __m512i four_digit_groups(const ReversedWindows& windows) {
  const __m512i value_bytes =
      _mm512_maskz_sub_epi8(windows.digits, windows.bytes, _mm512_set1_epi8('0'));
  const __m512i pairs = _mm512_maddubs_epi16(value_bytes, _mm512_set1_epi16(1 | (10 << 8)));
  return _mm512_madd_epi16(pairs, _mm512_set1_epi32(1 | (100 << 16)));
}

// Per-lane flags of the even-numbered windows and the odd ones, as one bit per number in order.
NUMBERLIST_AVX512_CONVERT unsigned interleaved(std::uint64_t even, std::uint64_t odd) {
  return static_cast<unsigned>(_pext_u64((even >> 1) | odd, highest_bits | (highest_bits >> 1)));
}

// Converts the first `wanted` (up to eight) of the eight numbers ending at ends[0..7], as
// convert() does. Inlined, so that the constants are set once a call of convert().
[[gnu::always_inline]] NUMBERLIST_AVX512_CONVERT inline std::size_t convert_eight(
    const char* data, const std::uint32_t* ends, unsigned wanted, std::int32_t* values) {
  const ReversedWindows even = reversed_windows(data, ends);
  const ReversedWindows odd = reversed_windows(data, ends + 1);
  if (const unsigned all_digits =
          interleaved(even.digits & highest_bits, odd.digits & highest_bits);
      all_digits != 0) {
    const auto first = static_cast<unsigned>(std::countr_zero(all_digits));
    return sse2::convert(data, ends, std::min(first, wanted), values);
  }
  // Packed, a lane holds the groups of an even window and then the next odd one's; each
  // window's two eights then make a 64-bit word, the late one low, the numbers in order.
  const __m512i eights =
      _mm512_madd_epi16(_mm512_packus_epi32(four_digit_groups(even), four_digit_groups(odd)),
                        _mm512_set1_epi32(1 | (10000 << 16)));
  const __m512i magnitudes = _mm512_add_epi64(
      _mm512_mul_epu32(_mm512_srli_epi64(eights, 32), _mm512_set1_epi64(100000000)),
      _mm512_and_si512(eights, _mm512_set1_epi64(0xFFFFFFFF)));
  const auto negative =
      static_cast<__mmask8>(interleaved(negative_lanes(even), negative_lanes(odd)));
  const __m512i limits = _mm512_mask_add_epi64(_mm512_set1_epi64(2147483647), negative,
                                               _mm512_set1_epi64(2147483647), _mm512_set1_epi64(1));
  const auto out_of_range = static_cast<unsigned>(_mm512_cmpgt_epu64_mask(magnitudes, limits));
  const __m512i signed_values =
      _mm512_mask_sub_epi64(magnitudes, negative, _mm512_setzero_si512(), magnitudes);
  // Only the numbers before the first out of range are stored.
  const unsigned good =
      std::min(wanted, static_cast<unsigned>(std::countr_zero(out_of_range | 0x100)));
  _mm512_mask_storeu_epi32(values, static_cast<__mmask16>((1U << good) - 1),
                           _mm512_castsi256_si512(_mm512_cvtepi64_epi32(signed_values)));
  return good;
}

}  // namespace

// Eight numbers a step; the last few with the last end repeated to make up eight, only those
// wanted stored.
NUMBERLIST_AVX512_CONVERT std::size_t convert(const char* data, const std::uint32_t* ends,
                                              std::size_t count, std::int32_t* values) {
  constexpr unsigned step = 8;
  std::size_t i = 0;
  for (; i + step <= count; i += step) {
    if (const std::size_t n = convert_eight(data, ends + i, step, values + i); n < step) {
      return i + n;
    }
  }
  if (i == count) return count;
  std::array<std::uint32_t, step> last_ends{};
  for (std::size_t k = 0; k < step; ++k) last_ends.at(k) = ends[std::min(i + k, count - 1)];
  return i + convert_eight(data, last_ends.data(), static_cast<unsigned>(count - i), values + i);
}

namespace {

// The SSE2 formatter's steps (sse2.cpp) in all four 128-bit quarters at once: values 0..3 in the
// first, 4..7 in the second, and so on. AVX-512's unpacks and shuffles work within a quarter.

// For each count of leading zero bits of a 32-bit magnitude (or-ed with 1, so 0 to 31): the
// estimate of number_text::decimal_length and the power of ten that tells whether to add one.
struct LengthTable {
  std::array<std::int32_t, 32> estimates;
  std::array<std::int32_t, 32> steps;
};
constexpr LengthTable length_table = [] {
  LengthTable table{};
  for (unsigned zeros = 0; zeros < 32; ++zeros) {
    const unsigned estimate = ((32U - zeros) * 1233U) >> 12;
    table.estimates.at(zeros) = static_cast<std::int32_t>(estimate);
    table.steps.at(zeros) = static_cast<std::int32_t>(number_text::length_steps.at(estimate));
  }
  return table;
}();

// The decimal length of each 32-bit magnitude, as number_text::decimal_length finds it, both
// of its steps looked up by the leading zeros in a 32-entry table.
NUMBERLIST_AVX512 __m512i decimal_lengths(__m512i magnitude) {
  const __m512i zeros = _mm512_lzcnt_epi32(_mm512_or_si512(magnitude, _mm512_set1_epi32(1)));
  const auto* const estimates = length_table.estimates.data();
  const auto* const steps = length_table.steps.data();
  const __m512i estimate = _mm512_permutex2var_epi32(_mm512_loadu_si512(estimates), zeros,
                                                     _mm512_loadu_si512(estimates + 16));
  const __m512i step =
      _mm512_permutex2var_epi32(_mm512_loadu_si512(steps), zeros, _mm512_loadu_si512(steps + 16));
  return _mm512_mask_add_epi32(estimate, _mm512_cmpge_epu32_mask(magnitude, step), estimate,
                               _mm512_set1_epi32(1));
}

// Each 16-bit lane's value below 100 as its two digits, the tens first in memory (as SSE2's).
NUMBERLIST_AVX512 __m512i digit_pairs(__m512i pairs) {
  const __m512i tens = _mm512_mulhi_epu16(pairs, _mm512_set1_epi16(6554));
  __m512i tens_weight = _mm512_set1_epi16(2559);
  hide(tens_weight);
  return _mm512_add_epi16(
      _mm512_sub_epi16(_mm512_slli_epi16(pairs, 8), _mm512_mullo_epi16(tens, tens_weight)),
      _mm512_set1_epi16(0x3030));
}

// The values in the 64-bit lanes (the high halves zero): the part above 10^8, and the two
// four-digit groups under it as 16-bit lanes 0 and 1.
struct Split {
  __m512i lead;
  __m512i groups;
};
NUMBERLIST_AVX512 Split split_hundred_millions(__m512i magnitude) {
  const __m512i lead =
      _mm512_srli_epi64(_mm512_mul_epu32(magnitude, _mm512_set1_epi64(1441151881)), 57);
  const __m512i rest =
      _mm512_sub_epi64(magnitude, _mm512_mul_epu32(lead, _mm512_set1_epi64(100000000)));
  const __m512i high = _mm512_srli_epi64(_mm512_mul_epu32(rest, _mm512_set1_epi64(109951163)), 40);
  const __m512i low = _mm512_sub_epi64(rest, _mm512_mul_epu32(high, _mm512_set1_epi64(10000)));
  return {lead, _mm512_or_si512(high, _mm512_slli_epi64(low, 16))};
}

// Slot k of each quarter's four values, the minus put over the byte whose place plus the value's
// reach (its length, raised past every place for a positive value) is 15, always a zero.
NUMBERLIST_AVX512 __m512i with_minus(__m512i slots, __m512i reach) {
  const __m512i place =
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  const __mmask64 at_minus =
      _mm512_cmpeq_epi8_mask(_mm512_add_epi8(place, reach), _mm512_set1_epi8(slot_size - 1));
  return _mm512_mask_mov_epi8(slots, at_minus, _mm512_set1_epi8('-'));
}

// The reach of value k of each quarter in every byte of the quarter.
NUMBERLIST_AVX512 __m512i reach_of(__m512i reach, char k) {
  return _mm512_shuffle_epi8(reach, _mm512_set1_epi8(static_cast<char>(4 * k)));
}

// Sixteen values' slots, laid out as the SSE2 formatter's: ten digits, leading zeros included,
// a zero and blanks before them, the minus over the zero before the first significant digit.
// Returns the sixteen lengths, the minus counted, as sixteen bytes.
NUMBERLIST_AVX512 __m128i write_sixteen_slots(__m512i values, char* slots) {
  const __m512i sign = _mm512_srai_epi32(values, 31);
  // abs() of INT32_MIN is its own bit pattern, which read unsigned is its magnitude.
  const __m512i magnitude = _mm512_abs_epi32(values);
  const __m512i length = decimal_lengths(magnitude);
  const Split even =
      split_hundred_millions(_mm512_and_si512(magnitude, _mm512_set1_epi64(0xFFFFFFFF)));
  const Split odd = split_hundred_millions(_mm512_srli_epi64(magnitude, 32));
  const __m512i groups = _mm512_or_si512(even.groups, _mm512_slli_epi64(odd.groups, 32));
  const __m512i uppers = _mm512_srli_epi16(_mm512_mulhi_epu16(groups, _mm512_set1_epi16(5243)), 3);
  __m512i hundred = _mm512_set1_epi16(100);
  hide(hundred);
  const __m512i lowers = _mm512_sub_epi16(groups, _mm512_mullo_epi16(uppers, hundred));
  const __m512i upper_digits = digit_pairs(uppers);
  const __m512i lower_digits = digit_pairs(lowers);
  const __m512i last_eight_01 = _mm512_unpacklo_epi16(upper_digits, lower_digits);
  const __m512i last_eight_23 = _mm512_unpackhi_epi16(upper_digits, lower_digits);
  const __m512i leads = digit_pairs(_mm512_or_si512(even.lead, _mm512_slli_epi64(odd.lead, 32)));
  const __m512i blank_word = _mm512_set1_epi64(0x0000302020202020);
  const __m512i first_eight_01 = _mm512_or_si512(
      _mm512_slli_epi64(_mm512_unpacklo_epi32(leads, _mm512_setzero_si512()), 48), blank_word);
  const __m512i first_eight_23 = _mm512_or_si512(
      _mm512_slli_epi64(_mm512_unpackhi_epi32(leads, _mm512_setzero_si512()), 48), blank_word);
  // Each value's reach, in the low byte of its 32-bit lane.
  const __m512i reach =
      _mm512_add_epi32(length, _mm512_andnot_si512(sign, _mm512_set1_epi32(0x40)));
  // Slot k of every quarter, then the quarters put in order: a four-by-four transpose of
  // 128-bit pieces.
  const __m512i k0 =
      with_minus(_mm512_unpacklo_epi64(first_eight_01, last_eight_01), reach_of(reach, 0));
  const __m512i k1 =
      with_minus(_mm512_unpackhi_epi64(first_eight_01, last_eight_01), reach_of(reach, 1));
  const __m512i k2 =
      with_minus(_mm512_unpacklo_epi64(first_eight_23, last_eight_23), reach_of(reach, 2));
  const __m512i k3 =
      with_minus(_mm512_unpackhi_epi64(first_eight_23, last_eight_23), reach_of(reach, 3));
  const __m512i low01 = _mm512_shuffle_i64x2(k0, k1, 0x44);   // k0 q0, k0 q1, k1 q0, k1 q1
  const __m512i low23 = _mm512_shuffle_i64x2(k2, k3, 0x44);   // k2 q0, k2 q1, k3 q0, k3 q1
  const __m512i high01 = _mm512_shuffle_i64x2(k0, k1, 0xEE);  // k0 q2, k0 q3, k1 q2, k1 q3
  const __m512i high23 = _mm512_shuffle_i64x2(k2, k3, 0xEE);  // k2 q2, k2 q3, k3 q2, k3 q3
  _mm512_storeu_si512(slots, _mm512_shuffle_i64x2(low01, low23, 0x88));
  _mm512_storeu_si512(slots + 4 * slot_size, _mm512_shuffle_i64x2(low01, low23, 0xDD));
  _mm512_storeu_si512(slots + 8 * slot_size, _mm512_shuffle_i64x2(high01, high23, 0x88));
  _mm512_storeu_si512(slots + 12 * slot_size, _mm512_shuffle_i64x2(high01, high23, 0xDD));
  return _mm512_cvtepi32_epi8(_mm512_sub_epi32(length, sign));
}

}  // namespace

// Sixteen values an iteration, as the SSE2 formatter does four.
NUMBERLIST_AVX512 void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  for (std::size_t first = 0; first < count; first += 16) {
    // Loaded under a mask: no read past the last value, no copy into a padded batch.
    const std::size_t here = std::min<std::size_t>(16, count - first);
    const __m512i sixteen =
        _mm512_maskz_loadu_epi32(static_cast<__mmask16>((1U << here) - 1), values + first);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&out.lengths[first]),
                     write_sixteen_slots(sixteen, out.slots.data() + first * slot_size));
  }
}

extern const Kernels kernels{"avx512", runs_here, find_ends,     portable::flatten,
                             convert,  format,    portable::pack};

}  // namespace number_list::simd::avx512
