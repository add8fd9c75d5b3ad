// Kernels for x86-64 machines with AVX2: thirty-two bytes a step, two numbers converted and four
// values formatted at once.
// Built with the baseline's flags: only these functions use AVX2, and they run only where
// runs_here() says the machine has it.
#include <immintrin.h>

#include <algorithm>
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
    const __m256i keep = _mm256_inserti128_si256(
        _mm256_castsi128_si256(load16(number_text::keep_last_bytes.data() + first_digits)),
        load16(number_text::keep_last_bytes.data() + second_digits), 1);
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
    if (!number_text::store_signed(first, first_end[-static_cast<int>(first_digits) - 1] == '-',
                                   values[i])) {
      return i;
    }
    if (!number_text::store_signed(second, second_end[-static_cast<int>(second_digits) - 1] == '-',
                                   values[i + 1])) {
      return i + 1;
    }
  }
  return i + sse2::convert(data, ends + i, count - i, values + i);
}

// Four values at a time, one a 64-bit lane, as the AVX-512 formatter does eight: the digits by
// multiply-and-shift splits, leading zeros kept (the caller copies from the text's first byte),
// the minus by a shift of a whole word by the length.
NUMBERLIST_AVX2 void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  // A slot's first word: blanks, a zero, then the two digits above 10^8.
  const __m256i blank_word = _mm256_set1_epi64x(0x0000302020202020);
  const __m128i places = _mm_setr_epi32(0, 1, 2, 3);
  for (std::size_t first = 0; first < count; first += 4) {
    // Loaded under a mask: no read past the last value.
    const auto here = static_cast<int>(std::min<std::size_t>(4, count - first));
    const __m128i signed_values =
        _mm_maskload_epi32(values + first, _mm_cmpgt_epi32(_mm_set1_epi32(here), places));
    const __m256i negative = _mm256_cvtepi32_epi64(_mm_srai_epi32(signed_values, 31));
    // abs() of INT32_MIN is its own bit pattern, which read unsigned is its magnitude.
    const __m256i magnitude = _mm256_cvtepu32_epi64(_mm_abs_epi32(signed_values));
    const __m256i lead =
        _mm256_srli_epi64(_mm256_mul_epu32(magnitude, _mm256_set1_epi64x(1441151881)), 57);
    const __m256i rest =
        _mm256_sub_epi64(magnitude, _mm256_mul_epu32(lead, _mm256_set1_epi64x(100000000)));
    const __m256i quad_high =
        _mm256_srli_epi64(_mm256_mul_epu32(rest, _mm256_set1_epi64x(109951163)), 40);
    const __m256i quad_low =
        _mm256_sub_epi64(rest, _mm256_mul_epu32(quad_high, _mm256_set1_epi64x(10000)));
    const __m256i quads = _mm256_or_si256(quad_high, _mm256_slli_epi64(quad_low, 32));
    const __m256i quad_tops =
        _mm256_srli_epi32(_mm256_mullo_epi32(quads, _mm256_set1_epi32(10486)), 20);
    const __m256i pairs = _mm256_or_si256(
        quad_tops,
        _mm256_slli_epi32(
            _mm256_sub_epi32(quads, _mm256_mullo_epi32(quad_tops, _mm256_set1_epi32(100))), 16));
    const __m256i pair_tops =
        _mm256_srli_epi16(_mm256_mullo_epi16(pairs, _mm256_set1_epi16(103)), 10);
    const __m256i rest_text = _mm256_add_epi8(
        _mm256_or_si256(
            pair_tops,
            _mm256_slli_epi16(
                _mm256_sub_epi16(pairs, _mm256_mullo_epi16(pair_tops, _mm256_set1_epi16(10))), 8)),
        _mm256_set1_epi8('0'));
    const __m256i lead_tens =
        _mm256_srli_epi16(_mm256_mullo_epi16(lead, _mm256_set1_epi16(103)), 10);
    const __m256i lead_ones =
        _mm256_sub_epi16(lead, _mm256_mullo_epi16(lead_tens, _mm256_set1_epi16(10)));
    const __m256i lead_text = _mm256_slli_epi64(
        _mm256_add_epi16(_mm256_or_si256(lead_tens, _mm256_slli_epi16(lead_ones, 8)),
                         _mm256_set1_epi16(0x3030)),
        48);
    // The length: one more for each step reached (magnitudes are below 2^32, so a signed
    // comparison of 64-bit lanes does).
    __m256i length = _mm256_set1_epi64x(1);
    for (std::size_t step = 1; step < number_text::length_steps.size(); ++step) {
      const std::int64_t below = number_text::length_steps[step] - std::int64_t{1};
      length = _mm256_sub_epi64(length, _mm256_cmpgt_epi64(magnitude, _mm256_set1_epi64x(below)));
    }
    // The minus goes over the zero just before the first digit (the low word's byte 5 is a zero
    // for a ten-digit value); a shift count past 63 leaves nothing.
    const __m256i minus = _mm256_and_si256(negative, _mm256_set1_epi64x('0' ^ '-'));
    const __m256i minus_low = _mm256_sllv_epi64(
        minus, _mm256_slli_epi64(_mm256_sub_epi64(_mm256_set1_epi64x(15), length), 3));
    const __m256i minus_high = _mm256_sllv_epi64(
        minus, _mm256_slli_epi64(_mm256_sub_epi64(_mm256_set1_epi64x(7), length), 3));
    const __m256i low = _mm256_xor_si256(_mm256_or_si256(lead_text, blank_word), minus_low);
    const __m256i high = _mm256_xor_si256(rest_text, minus_high);
    // Slot k is (low k, high k); unpacking works within each 128-bit half.
    const __m256i even = _mm256_unpacklo_epi64(low, high);  // slots 0 and 2
    const __m256i odd = _mm256_unpackhi_epi64(low, high);   // slots 1 and 3
    char* const slots = out.slots.data() + first * slot_size;
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(slots),
                        _mm256_permute2x128_si256(even, odd, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(slots + 2 * slot_size),
                        _mm256_permute2x128_si256(even, odd, 0x31));
    alignas(32) std::array<std::int64_t, 4> total{};
    _mm256_store_si256(reinterpret_cast<__m256i*>(total.data()),
                       _mm256_sub_epi64(length, negative));
    for (std::size_t i = 0; i < 4; ++i)
      out.lengths[first + i] = static_cast<std::uint8_t>(total[i]);
  }
}

}  // namespace number_list::simd::avx2
