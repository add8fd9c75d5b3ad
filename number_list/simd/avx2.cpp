// Kernels for x86-64 machines with AVX2: thirty-two bytes a step, two numbers converted at once;
// values are formatted as the SSE2 kernels do.
// Built with the baseline's flags: only these functions use AVX2, and they run only where
// runs_here() says the machine has it.
#include <immintrin.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_text.hpp"

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

// The digits counted back from the end of a sixteen-byte window, given which of its bytes are not
// digits.
NUMBERLIST_AVX2 __m128i load16(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}

unsigned digits_before_end(std::uint64_t non_digits) {
  return static_cast<unsigned>(std::countl_zero(static_cast<std::uint16_t>(non_digits)));
}

}  // namespace

bool runs_here() { return __builtin_cpu_supports("avx2"); }

NUMBERLIST_AVX2 void classify(const char* bytes, std::size_t count, BlockMasks* masks) {
  for (std::size_t block = 0; block < count; ++block) {
    BlockMasks m{0, 0, 0};
    for (unsigned at = 0; at < block_size; at += 32) {
      const __m256i v =
          _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + block * block_size + at));
      m.digits |= bits_of(bytes_within(v, '0', 9)) << at;
      m.spaces |= bits_of(_mm256_or_si256(bytes_within(v, '\t', 4),
                                          _mm256_cmpeq_epi8(v, _mm256_set1_epi8(' '))))
                  << at;
      m.signs |= bits_of(_mm256_or_si256(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('+')),
                                         _mm256_cmpeq_epi8(v, _mm256_set1_epi8('-'))))
                 << at;
    }
    masks[block] = m;
  }
}

NUMBERLIST_AVX2 std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                                    std::int32_t* values) {
  // keep_from[n .. n + 15] keeps the last n bytes of a window.
  alignas(16) static constexpr std::array<std::uint8_t, 32> keep_from = {
      0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
      0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  std::size_t i = 0;
  for (; i + 2 <= count; i += 2) {
    const char* const first_end = data + ends[i];
    const char* const second_end = data + ends[i + 1];
    const __m256i windows =
        _mm256_inserti128_si256(_mm256_castsi128_si256(load16(first_end - convert_window)),
                                load16(second_end - convert_window), 1);
    const std::uint64_t non_digits = ~bits_of(bytes_within(windows, '0', 9));
    const unsigned first_digits = digits_before_end(non_digits);
    const unsigned second_digits = digits_before_end(non_digits >> 16);
    if (first_digits > convertible_digits) return i;
    if (second_digits > convertible_digits) return i + sse2::convert(data, ends + i, 1, values + i);
    const __m256i keep =
        _mm256_inserti128_si256(_mm256_castsi128_si256(load16(keep_from.data() + first_digits)),
                                load16(keep_from.data() + second_digits), 1);
    const __m256i digits = _mm256_and_si256(_mm256_sub_epi8(windows, _mm256_set1_epi8('0')), keep);
    // Pairs, quads, then eights, in every lane at once; each window holds two eights.
    const __m256i pairs = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(10 | (1 << 8)));
    const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(100 | (1 << 16)));
    const __m256i eights =
        _mm256_madd_epi16(_mm256_packus_epi32(quads, quads), _mm256_set1_epi32(10000 | (1 << 16)));
    alignas(32) std::array<std::uint32_t, 8> eight{};
    _mm256_store_si256(reinterpret_cast<__m256i*>(eight.data()), eights);
    const std::uint64_t first = std::uint64_t{eight[0]} * 100000000 + eight[1];
    const std::uint64_t second = std::uint64_t{eight[4]} * 100000000 + eight[5];
    if (!number_text::store_signed(first, first_end[-static_cast<int>(first_digits) - 1],
                                   values[i])) {
      return i;
    }
    if (!number_text::store_signed(second, second_end[-static_cast<int>(second_digits) - 1],
                                   values[i + 1])) {
      return i + 1;
    }
  }
  return i + sse2::convert(data, ends + i, count - i, values + i);
}

// The SSE2 formatter: an AVX2 one, four values a register, has not been written yet.
void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  sse2::format(values, count, out);
}

}  // namespace number_list::simd::avx2
