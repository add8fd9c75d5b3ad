// The x86-64 baseline kernels: sixteen bytes a step, which every x86-64 machine has.
#include <emmintrin.h>

#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_text.hpp"

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

// The value of the sixteen digits 0..9 in `digits`, the first most significant.
std::uint64_t sixteen_digits_value(__m128i digits) {
  // Pairs: the even (earlier) byte of each 16-bit lane times ten plus the odd one.
  const __m128i even = _mm_and_si128(digits, _mm_set1_epi16(0xFF));
  const __m128i pairs =
      _mm_add_epi16(_mm_mullo_epi16(even, _mm_set1_epi16(10)), _mm_srli_epi16(digits, 8));
  const __m128i quads = _mm_madd_epi16(pairs, _mm_set1_epi32(100 | (1 << 16)));
  const __m128i quads16 = _mm_packs_epi32(quads, quads);
  const __m128i eights = _mm_madd_epi16(quads16, _mm_set1_epi32(10000 | (1 << 16)));
  const auto early = static_cast<std::uint32_t>(_mm_cvtsi128_si32(eights));
  const auto late = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
  return std::uint64_t{early} * 100000000 + late;
}

}  // namespace

bool runs_here() { return true; }  // part of x86-64 itself

void classify(const char* bytes, std::size_t count, BlockMasks* masks) {
  for (std::size_t block = 0; block < count; ++block) {
    BlockMasks m{0, 0, 0};
    for (unsigned at = 0; at < block_size; at += 16) {
      const __m128i v =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + block * block_size + at));
      m.digits |= bits_of(bytes_within(v, '0', 9)) << at;
      m.spaces |=
          bits_of(_mm_or_si128(bytes_within(v, '\t', 4), _mm_cmpeq_epi8(v, _mm_set1_epi8(' '))))
          << at;
      m.signs |= bits_of(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('+')),
                                      _mm_cmpeq_epi8(v, _mm_set1_epi8('-'))))
                 << at;
    }
    masks[block] = m;
  }
}

std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values) {
  for (std::size_t i = 0; i < count; ++i) {
    const char* const end = data + ends[i];
    const __m128i window = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - convert_window));
    const auto non_digits = static_cast<std::uint16_t>(~bits_of(bytes_within(window, '0', 9)));
    const auto digits = static_cast<unsigned>(std::countl_zero(non_digits));
    if (digits > convertible_digits) return i;
    const __m128i keep = _mm_loadu_si128(
        reinterpret_cast<const __m128i*>(number_text::keep_last_bytes.data() + digits));
    const __m128i value_bytes = _mm_and_si128(_mm_sub_epi8(window, _mm_set1_epi8('0')), keep);
    if (!number_text::store_signed(sixteen_digits_value(value_bytes),
                                   end[-static_cast<int>(digits) - 1] == '-', values[i])) {
      return i;
    }
  }
  return count;
}

namespace {

// The slot words of two values, one a 64-bit lane: the digits by the same multiply-and-shift
// splits as the AVX-512 formatter's (16-bit lanes where SSE2 has no 32-bit multiply), then the
// blanks and the minus chosen byte by byte against each value's length. `magnitude`, `length`
// and `sign` hold each value in the low half of its lane (sign: the whole lane).
void write_two_slots(__m128i magnitude, __m128i length, __m128i sign, char* slots) {
  const __m128i blanks = _mm_set1_epi8(' ');
  // Each byte's place within its word, plus the value's length, says what it holds.
  const __m128i byte_place = _mm_set_epi8(7, 6, 5, 4, 3, 2, 1, 0, 7, 6, 5, 4, 3, 2, 1, 0);
  const __m128i lead = _mm_srli_epi64(_mm_mul_epu32(magnitude, _mm_set1_epi32(1441151881)), 57);
  const __m128i rest = _mm_sub_epi64(magnitude, _mm_mul_epu32(lead, _mm_set1_epi32(100000000)));
  const __m128i quad_high = _mm_srli_epi64(_mm_mul_epu32(rest, _mm_set1_epi32(109951163)), 40);
  const __m128i quad_low = _mm_sub_epi64(rest, _mm_mul_epu32(quad_high, _mm_set1_epi32(10000)));
  const __m128i quads = _mm_or_si128(quad_high, _mm_slli_epi64(quad_low, 32));
  // x / 100 for x < 10000 in 16-bit lanes: the high half of x * 5243, over 8.
  const __m128i quad_tops = _mm_srli_epi16(_mm_mulhi_epu16(quads, _mm_set1_epi16(5243)), 3);
  const __m128i pairs = _mm_or_si128(
      quad_tops,
      _mm_slli_epi32(_mm_sub_epi16(quads, _mm_mullo_epi16(quad_tops, _mm_set1_epi16(100))), 16));
  const __m128i pair_tops = _mm_srli_epi16(_mm_mullo_epi16(pairs, _mm_set1_epi16(103)), 10);
  const __m128i high_digits = _mm_add_epi8(
      _mm_or_si128(
          pair_tops,
          _mm_slli_epi16(_mm_sub_epi16(pairs, _mm_mullo_epi16(pair_tops, _mm_set1_epi16(10))), 8)),
      _mm_set1_epi8('0'));
  const __m128i lead_tens = _mm_srli_epi16(_mm_mullo_epi16(lead, _mm_set1_epi16(103)), 10);
  const __m128i lead_ones = _mm_sub_epi16(lead, _mm_mullo_epi16(lead_tens, _mm_set1_epi16(10)));
  const __m128i low_digits = _mm_slli_epi64(
      _mm_add_epi16(_mm_or_si128(lead_tens, _mm_slli_epi16(lead_ones, 8)), _mm_set1_epi16(0x3030)),
      48);
  // The length in every byte of its value's words.
  const __m128i length_bytes =
      _mm_shuffle_epi32(_mm_mul_epu32(length, _mm_set1_epi32(0x01010101)), 0xA0);
  const __m128i reach = _mm_add_epi8(byte_place, length_bytes);
  const __m128i minus = _mm_and_si128(sign, _mm_set1_epi8('-' ^ ' '));
  // A byte of the high word is a digit when place + length > 7 and the minus when it is 7; a
  // byte of the low word, when it is over 15 and 15.
  const auto word = [&](__m128i digits, char last_place) {
    const __m128i keep = _mm_cmpgt_epi8(reach, _mm_set1_epi8(last_place));
    const __m128i at_minus = _mm_cmpeq_epi8(reach, _mm_set1_epi8(last_place));
    return _mm_xor_si128(_mm_or_si128(_mm_and_si128(keep, digits), _mm_andnot_si128(keep, blanks)),
                         _mm_and_si128(at_minus, minus));
  };
  const __m128i high = word(high_digits, 7);
  const __m128i low = word(low_digits, 15);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(slots), _mm_unpacklo_epi64(low, high));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(slots + slot_size), _mm_unpackhi_epi64(low, high));
}

}  // namespace

// Four values an iteration: their signs, magnitudes and lengths side by side, then the slots two
// at a time.
void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  const __m128i zero = _mm_setzero_si128();
  for (std::size_t first = 0; first < count; first += 4) {
    std::array<std::int32_t, 4> four{};
    for (std::size_t i = 0; i < 4 && first + i < count; ++i) four[i] = values[first + i];
    const __m128i signed_values = _mm_loadu_si128(reinterpret_cast<const __m128i*>(four.data()));
    const __m128i sign = _mm_srai_epi32(signed_values, 31);
    const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(signed_values, sign), sign);
    // The length: one more for each step reached, compared as signed after moving the range down.
    const __m128i biased = _mm_xor_si128(magnitude, _mm_set1_epi32(INT32_MIN));
    __m128i length = _mm_set1_epi32(1);
    for (std::size_t step = 1; step < number_text::length_steps.size(); ++step) {
      const auto below = static_cast<std::int32_t>(number_text::length_steps[step] - 1);
      length = _mm_sub_epi32(length, _mm_cmpgt_epi32(biased, _mm_set1_epi32(below ^ INT32_MIN)));
    }
    char* const slots = out.slots.data() + first * slot_size;
    write_two_slots(_mm_unpacklo_epi32(magnitude, zero), _mm_unpacklo_epi32(length, zero),
                    _mm_unpacklo_epi32(sign, sign), slots);
    write_two_slots(_mm_unpackhi_epi32(magnitude, zero), _mm_unpackhi_epi32(length, zero),
                    _mm_unpackhi_epi32(sign, sign), slots + 2 * slot_size);
    // Four lengths, with the minus, as four bytes.
    const __m128i total = _mm_sub_epi32(length, sign);
    const __m128i total_bytes = _mm_packus_epi16(_mm_packs_epi32(total, total), zero);
    const auto packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(total_bytes));
    std::memcpy(&out.lengths[first], &packed, sizeof packed);
  }
}

}  // namespace number_list::simd::sse2
