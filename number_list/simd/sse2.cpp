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

namespace number_list::simd::sse2 {
namespace {

// All bytes of a vector within lowest..lowest+span, unsigned: one comparison after a shift.
__m128i bytes_within(__m128i bytes, char lowest, char span) {
  const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(lowest));
  return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
}

std::uint64_t bits_of(__m128i flags) {
  return static_cast<std::uint16_t>(_mm_movemask_epi8(flags));
}

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

namespace {

number_ends::ByteClasses classify_block(const char* block) {
  number_ends::ByteClasses c{0, 0, 0};
  for (unsigned at = 0; at < block_size; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + at));
    c.digits |= bits_of(bytes_within(v, '0', 9)) << at;
    c.spaces |=
        bits_of(_mm_or_si128(bytes_within(v, '\t', 4), _mm_cmpeq_epi8(v, _mm_set1_epi8(' '))))
        << at;
    c.signs |= bits_of(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('+')),
                                    _mm_cmpeq_epi8(v, _mm_set1_epi8('-'))))
               << at;
  }
  return c;
}

}  // namespace

std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  return number_ends::find_ends<classify_block>(bytes, count, ends);
}

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

namespace {

// Up to four values, the rest zero. A whole group is loaded as it stands: gathering it through
// memory first would make the load wait for four separate stores, which cannot be forwarded.
__m128i load_up_to_four(const std::int32_t* values, std::size_t available) {
  if (available >= 4) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(values));
  std::array<std::int32_t, 4> four{};
  std::copy_n(values, available, four.begin());
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(four.data()));
}

// The decimal length of each 32-bit magnitude: one more for each step reached, compared as
// signed after moving the range down (SSE2 has no unsigned 32-bit comparison).
__m128i decimal_lengths(__m128i magnitude) {
  const __m128i biased = _mm_xor_si128(magnitude, _mm_set1_epi32(INT32_MIN));
  __m128i length = _mm_set1_epi32(1);
  for (std::size_t step = 1; step < number_text::length_steps.size(); ++step) {
    const auto below = static_cast<std::int32_t>(number_text::length_steps[step] - 1);
    length = _mm_sub_epi32(length, _mm_cmpgt_epi32(biased, _mm_set1_epi32(below ^ INT32_MIN)));
  }
  return length;
}

// Each 16-bit lane's value below 100 as its two digits, the tens first in memory.
// For p = 10a + b below 100, a is the high half of p * 6554, and 256p - 2559a is a + 256b: the
// tens in the low byte, the ones in the high one. Two multiplications.
__m128i digit_pairs(__m128i pairs) {
  const __m128i tens = _mm_mulhi_epu16(pairs, _mm_set1_epi16(6554));
  __m128i tens_weight = _mm_set1_epi16(2559);
  hide(tens_weight);
  return _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(pairs, 8), _mm_mullo_epi16(tens, tens_weight)),
                       _mm_set1_epi16(0x3030));
}

// One lane set of the split below: the values in the 64-bit lanes (the high halves zero), split
// into the part above 10^8 and the two four-digit groups under it, the groups as 16-bit lanes 0
// and 1.
struct Split {
  __m128i lead;
  __m128i groups;
};
Split split_hundred_millions(__m128i magnitude) {
  const __m128i lead = _mm_srli_epi64(_mm_mul_epu32(magnitude, _mm_set1_epi32(1441151881)), 57);
  const __m128i rest = _mm_sub_epi64(magnitude, _mm_mul_epu32(lead, _mm_set1_epi32(100000000)));
  const __m128i high = _mm_srli_epi64(_mm_mul_epu32(rest, _mm_set1_epi32(109951163)), 40);
  const __m128i low = _mm_sub_epi64(rest, _mm_mul_epu32(high, _mm_set1_epi32(10000)));
  return {lead, _mm_or_si128(high, _mm_slli_epi64(low, 16))};
}

// Four values' slots. A slot holds its value's ten digits, leading zeros included, in its last
// ten bytes, a zero and blanks before them, and the minus over the zero before the first
// significant digit: the caller copies from the text's first byte, so the zeros before it are
// never seen. Returns the four lengths, the minus counted, as four bytes.
std::uint32_t write_four_slots(__m128i values, char* slots) {
  const __m128i sign = _mm_srai_epi32(values, 31);
  const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(values, sign), sign);
  const __m128i length = decimal_lengths(magnitude);
  // Values 0 and 2 in the even lanes' low halves, 1 and 3 in the odd ones'.
  const Split even = split_hundred_millions(_mm_and_si128(magnitude, _mm_set1_epi64x(0xFFFFFFFF)));
  const Split odd = split_hundred_millions(_mm_srli_epi64(magnitude, 32));
  // The four-digit groups of values 0..3 in order, then their digits: each group's upper pair
  // and lower pair, interleaved back into reading order.
  const __m128i groups = _mm_or_si128(even.groups, _mm_slli_epi64(odd.groups, 32));
  const __m128i uppers = _mm_srli_epi16(_mm_mulhi_epu16(groups, _mm_set1_epi16(5243)), 3);
  __m128i hundred = _mm_set1_epi16(100);
  hide(hundred);
  const __m128i lowers = _mm_sub_epi16(groups, _mm_mullo_epi16(uppers, hundred));
  const __m128i upper_digits = digit_pairs(uppers);
  const __m128i lower_digits = digit_pairs(lowers);
  const __m128i last_eight_01 = _mm_unpacklo_epi16(upper_digits, lower_digits);
  const __m128i last_eight_23 = _mm_unpackhi_epi16(upper_digits, lower_digits);
  // The first eight bytes: blanks, a zero, then the two digits above 10^8.
  const __m128i leads = digit_pairs(_mm_or_si128(even.lead, _mm_slli_epi64(odd.lead, 32)));
  const __m128i blank_word = _mm_set1_epi64x(0x0000302020202020);
  const __m128i first_eight_01 =
      _mm_or_si128(_mm_slli_epi64(_mm_unpacklo_epi32(leads, _mm_setzero_si128()), 48), blank_word);
  const __m128i first_eight_23 =
      _mm_or_si128(_mm_slli_epi64(_mm_unpackhi_epi32(leads, _mm_setzero_si128()), 48), blank_word);
  // Where the minus goes: the byte whose place plus the length is 15. A positive value's length
  // is raised past any place, so that no byte matches.
  __m128i reach = _mm_add_epi32(length, _mm_andnot_si128(sign, _mm_set1_epi32(0x40)));
  reach = _mm_or_si128(reach, _mm_slli_epi32(reach, 8));
  reach = _mm_or_si128(reach, _mm_slli_epi32(reach, 16));
  const __m128i place = _mm_set_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  // The byte there is always a zero: the minus replaces it by one exclusive or.
  const __m128i zero_to_minus = _mm_set1_epi8('0' ^ '-');
  const auto finish = [&](__m128i slot, __m128i value_reach, char* at) {
    const __m128i at_minus =
        _mm_cmpeq_epi8(_mm_add_epi8(place, value_reach), _mm_set1_epi8(slot_size - 1));
    slot = _mm_xor_si128(slot, _mm_and_si128(at_minus, zero_to_minus));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), slot);
  };
  finish(_mm_unpacklo_epi64(first_eight_01, last_eight_01), _mm_shuffle_epi32(reach, 0x00), slots);
  finish(_mm_unpackhi_epi64(first_eight_01, last_eight_01), _mm_shuffle_epi32(reach, 0x55),
         slots + slot_size);
  finish(_mm_unpacklo_epi64(first_eight_23, last_eight_23), _mm_shuffle_epi32(reach, 0xAA),
         slots + 2 * slot_size);
  finish(_mm_unpackhi_epi64(first_eight_23, last_eight_23), _mm_shuffle_epi32(reach, 0xFF),
         slots + 3 * slot_size);
  const __m128i total = _mm_sub_epi32(length, sign);
  const __m128i total_bytes = _mm_packus_epi16(_mm_packs_epi32(total, total), total);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(total_bytes));
}

}  // namespace

// Four values an iteration, side by side in one register from the sign to the slots.
void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  for (std::size_t first = 0; first < count; first += 4) {
    const __m128i four = load_up_to_four(values + first, count - first);
    const std::uint32_t lengths = write_four_slots(four, out.slots.data() + first * slot_size);
    std::memcpy(&out.lengths[first], &lengths, sizeof lengths);
  }
}

extern const Kernels kernels{"sse2",  runs_here, find_ends,     portable::flatten,
                             convert, format,    portable::pack};

}  // namespace number_list::simd::sse2
