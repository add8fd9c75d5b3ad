// Kernels for x86-64 machines with AVX2: thirty-two bytes a step, four numbers converted and eight
// values formatted at once.
// Built with the baseline's flags: only these functions use AVX2, and they run only where
// runs_here() says the machine has it.
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

#define NUMBERLIST_AVX2 [[gnu::target("avx2")]]

namespace number_list::simd::avx2 {
namespace {

// All bytes of a vector within lowest..lowest+span, unsigned: one comparison after a shift.
NUMBERLIST_AVX2 __m256i bytes_within(__m256i bytes, char lowest, char span) {
  const __m256i offset = _mm256_sub_epi8(bytes, _mm256_set1_epi8(lowest));
  return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(span)), offset);
}

NUMBERLIST_AVX2 std::uint64_t bits_of(__m256i flags) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(flags));
}

NUMBERLIST_AVX2 __m128i load16(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

// The digits counted back from the end of a sixteen-byte window, given which of its bytes are not
// digits.
unsigned digits_before_end(std::uint64_t non_digits) {
  return static_cast<unsigned>(std::countl_zero(static_cast<std::uint16_t>(non_digits)));
}

// The conversion windows of two numbers, the first in the low half.
NUMBERLIST_AVX2 __m256i two_windows(const char* data, const std::uint32_t* ends) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(load16(data + ends[0] - convert_window)),
                                 load16(data + ends[1] - convert_window), 1);
}

// What keeps the last `first` bytes of the low half and the last `second` of the high one.
NUMBERLIST_AVX2 __m256i keep_last(unsigned first, unsigned second) {
  const auto* const keep = number_text::keep_last_bytes.data();
  return _mm256_inserti128_si256(_mm256_castsi128_si256(load16(keep + first)),
                                 load16(keep + second), 1);
}

// The values of each half's four groups of four digits, as 32-bit lanes, the first group first.
NUMBERLIST_AVX2 __m256i four_digit_groups(__m256i windows, __m256i keep) {
  const __m256i digits = _mm256_and_si256(_mm256_sub_epi8(windows, _mm256_set1_epi8('0')), keep);
  const __m256i pairs = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(10 | (1 << 8)));
  return _mm256_madd_epi16(pairs, _mm256_set1_epi32(100 | (1 << 16)));
}

}  // namespace

bool runs_here() { return __builtin_cpu_supports("avx2"); }

namespace {

NUMBERLIST_AVX2 number_ends::ByteClasses classify_block(const char* block) {
  number_ends::ByteClasses c{0, 0, 0};
  for (unsigned at = 0; at < block_size; at += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + at));
    c.digits |= bits_of(bytes_within(v, '0', 9)) << at;
    c.spaces |= bits_of(_mm256_or_si256(bytes_within(v, '\t', 4),
                                        _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' '))))
                << at;
    c.signs |= bits_of(_mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('+')),
                                       _mm256_cmpeq_epi8(v, _mm256_set1_epi8('-'))))
               << at;
  }
  return c;
}

}  // namespace

NUMBERLIST_AVX2 std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  return number_ends::find_ends<classify_block>(bytes, count, ends);
}

// Four numbers an iteration, windows 0 and 1 in one register and 2 and 3 in another; their
// signs and ranges are checked in the vector too. A number that needs more care (too many digits,
// out of range) hands the rest to the SSE2 kernel, which stops where it must.
NUMBERLIST_AVX2 std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
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

namespace {

// The SSE2 formatter's steps (sse2.cpp), in both 128-bit halves at once: values 0..3 in the low
// half, 4..7 in the high one. AVX2's unpacks and shuffles work within each half, as these need.

// The decimal length of each 32-bit magnitude: one more for each step reached (unsigned: a value
// reaches a step when the larger of the two is the value).
NUMBERLIST_AVX2 __m256i decimal_lengths(__m256i magnitude) {
  __m256i length = _mm256_set1_epi32(1);
  for (std::size_t step = 1; step < number_text::length_steps.size(); ++step) {
    const auto least = static_cast<std::int32_t>(number_text::length_steps[step]);
    const __m256i reached =
        _mm256_cmpeq_epi32(_mm256_max_epu32(magnitude, _mm256_set1_epi32(least)), magnitude);
    length = _mm256_sub_epi32(length, reached);
  }
  return length;
}

// Each 16-bit lane's value below 100 as its two digits, the tens first in memory (as SSE2's).
NUMBERLIST_AVX2 __m256i digit_pairs(__m256i pairs) {
  const __m256i tens = _mm256_mulhi_epu16(pairs, _mm256_set1_epi16(6554));
  __m256i tens_weight = _mm256_set1_epi16(2559);
  hide(tens_weight);
  return _mm256_add_epi16(
      _mm256_sub_epi16(_mm256_slli_epi16(pairs, 8), _mm256_mullo_epi16(tens, tens_weight)),
      _mm256_set1_epi16(0x3030));
}

// The values in the 64-bit lanes (the high halves zero): the part above 10^8, and the two
// four-digit groups under it as 16-bit lanes 0 and 1.
struct Split {
  __m256i lead;
  __m256i groups;
};
NUMBERLIST_AVX2 Split split_hundred_millions(__m256i magnitude) {
  const __m256i lead =
      _mm256_srli_epi64(_mm256_mul_epu32(magnitude, _mm256_set1_epi32(1441151881)), 57);
  const __m256i rest =
      _mm256_sub_epi64(magnitude, _mm256_mul_epu32(lead, _mm256_set1_epi32(100000000)));
  const __m256i high = _mm256_srli_epi64(_mm256_mul_epu32(rest, _mm256_set1_epi32(109951163)), 40);
  const __m256i low = _mm256_sub_epi64(rest, _mm256_mul_epu32(high, _mm256_set1_epi32(10000)));
  return {lead, _mm256_or_si256(high, _mm256_slli_epi64(low, 16))};
}

// Slot k of the low half's values and slot 4 + k of the high half's, given each value's reach
// (its length, raised past every place for a positive value) in every byte: the minus goes over
// the byte whose place plus the reach is 15, always a zero.
NUMBERLIST_AVX2 void finish_slots(__m256i two_slots, __m256i reach, char* slots, std::size_t k) {
  const __m256i place = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1,
                                         2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m256i at_minus =
      _mm256_cmpeq_epi8(_mm256_add_epi8(place, reach), _mm256_set1_epi8(slot_size - 1));
  two_slots = _mm256_xor_si256(two_slots, _mm256_and_si256(at_minus, _mm256_set1_epi8('0' ^ '-')));
  _mm256_storeu2_m128i(reinterpret_cast<__m128i*>(slots + (4 + k) * slot_size),
                       reinterpret_cast<__m128i*>(slots + k * slot_size), two_slots);
}

// Eight values' slots, laid out as the SSE2 formatter's: ten digits, leading zeros included,
// a zero and blanks before them, the minus over the zero before the first significant digit.
// Returns the eight lengths, the minus counted, as eight bytes.
NUMBERLIST_AVX2 std::uint64_t write_eight_slots(__m256i values, char* slots) {
  const __m256i sign = _mm256_srai_epi32(values, 31);
  // abs() of INT32_MIN is its own bit pattern, which read unsigned is its magnitude.
  const __m256i magnitude = _mm256_abs_epi32(values);
  const __m256i length = decimal_lengths(magnitude);
  const Split even =
      split_hundred_millions(_mm256_and_si256(magnitude, _mm256_set1_epi64x(0xFFFFFFFF)));
  const Split odd = split_hundred_millions(_mm256_srli_epi64(magnitude, 32));
  const __m256i groups = _mm256_or_si256(even.groups, _mm256_slli_epi64(odd.groups, 32));
  const __m256i uppers = _mm256_srli_epi16(_mm256_mulhi_epu16(groups, _mm256_set1_epi16(5243)), 3);
  __m256i hundred = _mm256_set1_epi16(100);
  hide(hundred);
  const __m256i lowers = _mm256_sub_epi16(groups, _mm256_mullo_epi16(uppers, hundred));
  const __m256i upper_digits = digit_pairs(uppers);
  const __m256i lower_digits = digit_pairs(lowers);
  const __m256i last_eight_01 = _mm256_unpacklo_epi16(upper_digits, lower_digits);
  const __m256i last_eight_23 = _mm256_unpackhi_epi16(upper_digits, lower_digits);
  const __m256i leads = digit_pairs(_mm256_or_si256(even.lead, _mm256_slli_epi64(odd.lead, 32)));
  const __m256i blank_word = _mm256_set1_epi64x(0x0000302020202020);
  const __m256i first_eight_01 = _mm256_or_si256(
      _mm256_slli_epi64(_mm256_unpacklo_epi32(leads, _mm256_setzero_si256()), 48), blank_word);
  const __m256i first_eight_23 = _mm256_or_si256(
      _mm256_slli_epi64(_mm256_unpackhi_epi32(leads, _mm256_setzero_si256()), 48), blank_word);
  // Each value's reach in all four of its bytes.
  __m256i reach = _mm256_add_epi32(length, _mm256_andnot_si256(sign, _mm256_set1_epi32(0x40)));
  reach = _mm256_or_si256(reach, _mm256_slli_epi32(reach, 8));
  reach = _mm256_or_si256(reach, _mm256_slli_epi32(reach, 16));
  finish_slots(_mm256_unpacklo_epi64(first_eight_01, last_eight_01),
               _mm256_shuffle_epi32(reach, 0x00), slots, 0);
  finish_slots(_mm256_unpackhi_epi64(first_eight_01, last_eight_01),
               _mm256_shuffle_epi32(reach, 0x55), slots, 1);
  finish_slots(_mm256_unpacklo_epi64(first_eight_23, last_eight_23),
               _mm256_shuffle_epi32(reach, 0xAA), slots, 2);
  finish_slots(_mm256_unpackhi_epi64(first_eight_23, last_eight_23),
               _mm256_shuffle_epi32(reach, 0xFF), slots, 3);
  const __m256i total = _mm256_sub_epi32(length, sign);
  const __m256i total_bytes =
      _mm256_packus_epi16(_mm256_packs_epi32(total, total), _mm256_setzero_si256());
  return static_cast<std::uint32_t>(_mm256_cvtsi256_si32(total_bytes)) |
         std::uint64_t{static_cast<std::uint32_t>(
             _mm_cvtsi128_si32(_mm256_extracti128_si256(total_bytes, 1)))}
             << 32;
}

}  // namespace

// Eight values an iteration, as the SSE2 formatter does four.
NUMBERLIST_AVX2 void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  const __m256i places = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  for (std::size_t first = 0; first < count; first += 8) {
    // Loaded under a mask: no read past the last value.
    const auto here = static_cast<int>(std::min<std::size_t>(8, count - first));
    const __m256i eight =
        _mm256_maskload_epi32(values + first, _mm256_cmpgt_epi32(_mm256_set1_epi32(here), places));
    const std::uint64_t lengths = write_eight_slots(eight, out.slots.data() + first * slot_size);
    std::memcpy(&out.lengths[first], &lengths, sizeof lengths);
  }
}

extern const Kernels kernels{"avx2",  runs_here, find_ends,     portable::flatten,
                             convert, format,    portable::pack};

}  // namespace number_list::simd::avx2
