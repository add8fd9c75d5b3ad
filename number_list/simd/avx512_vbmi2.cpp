// The AVX-512 kernels, with the set bits flattened and the texts packed by a byte compress where
// VBMI2 is there too (Ice Lake, Zen 4 and later): without it, on a Zen 4, reverselist takes 9 to
// 10 % and extendlist 9 to 12 % more time (side by side, 31 rounds). Built with the baseline's
// flags: only these functions use VBMI2, and they run only where runs_here() says the machine has
// it.
#include <immintrin.h>

// GCC 12 takes the deliberately undefined vectors inside its own AVX-512 intrinsics for unset
// ones (GCC bug 105593, fixed in 13).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_text.hpp"

namespace number_list::simd::avx512_vbmi2 {

bool runs_here() { return avx512::runs_here() && __builtin_cpu_supports("avx512vbmi2"); }

namespace {

// One byte for each byte of a block, byte i's being byte_of(i).
constexpr std::array<std::uint8_t, block_size> block_table(auto byte_of) {
  std::array<std::uint8_t, block_size> table{};
  for (std::size_t i = 0; i < block_size; ++i) table[i] = static_cast<std::uint8_t>(byte_of(i));
  return table;
}

constexpr auto byte_offsets = block_table([](std::size_t i) { return i; });

}  // namespace

// Each block's set bits picked out of its byte offsets by one compress, then widened sixteen at a
// time: a store of sixteen offsets covers a block with as many numbers, as nearly all have.
[[gnu::target("avx512f,avx512bw,avx512cd,avx512vbmi2")]] std::size_t flatten(
    const std::uint64_t* bits, std::size_t blocks, std::uint32_t base, std::uint32_t* offsets) {
  const __m512i within_block = _mm512_loadu_si512(byte_offsets.data());
  const __m512i next_block = _mm512_set1_epi32(static_cast<int>(block_size));
  __m512i block_base = _mm512_set1_epi32(static_cast<int>(base));
  std::uint32_t* out = offsets;
  for (std::size_t b = 0; b < blocks; ++b, block_base = _mm512_add_epi32(block_base, next_block)) {
    __m512i packed = _mm512_maskz_compress_epi8(bits[b], within_block);
    const auto count = static_cast<std::size_t>(std::popcount(bits[b]));
    for (std::size_t stored = 0;;) {
      _mm512_storeu_si512(
          out + stored,
          _mm512_add_epi32(block_base, _mm512_cvtepu8_epi32(_mm512_castsi512_si128(packed))));
      stored += 16;
      if (stored >= count) break;
      packed = _mm512_alignr_epi32(_mm512_setzero_si512(), packed, 4);
    }
    out += count;
  }
  return static_cast<std::size_t>(out - offsets);
}

// For the slots pack() loads: each byte's distance from its 16-byte lane's last, and which of four
// bytes (the lanes' text lengths) each byte's lane takes.
constexpr auto distance_to_lane_end = block_table([](std::size_t i) { return 15 - i % 16; });
constexpr auto lane_numbers = block_table([](std::size_t i) { return i / 16; });

// Four slots a step, loaded one byte on: a text of n bytes then ends at its lane's byte 14 and its
// blank is byte 15 (the next slot's first), so the bytes within n of the lane's end are kept,
// picked out by one compress and stored as one 64-byte move.
[[gnu::target("avx512f,avx512bw,avx512cd,avx512vbmi2")]] char* pack(
    const FormattedValues& formatted, std::size_t count, char* out) {
  const __m512i distances = _mm512_loadu_si512(distance_to_lane_end.data());
  const __m512i lanes = _mm512_loadu_si512(lane_numbers.data());
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    std::uint32_t four_lengths = 0;
    std::memcpy(&four_lengths, formatted.lengths.data() + i, sizeof four_lengths);
    const __m512i lengths =
        _mm512_shuffle_epi8(_mm512_set1_epi32(static_cast<int>(four_lengths)), lanes);
    const __mmask64 keep = _mm512_cmple_epu8_mask(distances, lengths);
    const __m512i slots = _mm512_loadu_si512(formatted.slots.data() + i * slot_size + 1);
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(keep, slots));
    // The four lengths summed in the top byte, and a blank for each.
    out += ((four_lengths * 0x01010101U) >> 24) + 4;
  }
  return number_text::pack_texts(formatted, i, count, out);
}

extern const Kernels kernels{"avx512vbmi2",  runs_here, avx512::find_ends, flatten, avx512::convert,
                             avx512::format, pack};

}  // namespace number_list::simd::avx512_vbmi2
