// The x86-64 baseline kernels: sixteen bytes a step, which every x86-64 machine has.
#include <emmintrin.h>

#include <bit>
#include <cstddef>
#include <cstdint>

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
  // keep_from[n .. n + 15] keeps the last n bytes of a window.
  alignas(16) static constexpr std::uint8_t keep_from[32] = {
      0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
      0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (std::size_t i = 0; i < count; ++i) {
    const char* const end = data + ends[i];
    const __m128i window = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - convert_window));
    const auto non_digits = static_cast<std::uint16_t>(~bits_of(bytes_within(window, '0', 9)));
    const auto digits = static_cast<unsigned>(std::countl_zero(non_digits));
    if (digits > convertible_digits) return i;
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keep_from + digits));
    const __m128i value_bytes = _mm_and_si128(_mm_sub_epi8(window, _mm_set1_epi8('0')), keep);
    if (!number_text::store_signed(sixteen_digits_value(value_bytes),
                                   end[-static_cast<int>(digits) - 1], values[i])) {
      return i;
    }
  }
  return count;
}

void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  portable::format(values, count, out);
}

}  // namespace number_list::simd::sse2
