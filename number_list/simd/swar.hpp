// Eight bytes at a time in an ordinary 64-bit word (SIMD within a register): the portable kernels'
// tools, also used by vector kernels for the steps that vectors do not speed up.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace number_list::simd::swar {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "words are loaded in one of the two plain byte orders");

constexpr std::uint64_t every_byte(std::uint8_t byte) { return 0x0101010101010101U * byte; }
inline constexpr std::uint64_t high_bits = every_byte(0x80);
inline constexpr std::uint64_t low_seven_bits = every_byte(0x7F);
// '0' in every byte: subtracting it turns eight ASCII digits into their values.
inline constexpr std::uint64_t ascii_zeros = every_byte('0');

// Eight bytes from `p` as one word whose lowest byte is p[0], on either byte order.
inline std::uint64_t load(const char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

// The high bit of every byte from `lowest` to `highest` (both below 0x80), the other bits
// unspecified, in a word of bytes below 0x80 only: no sum carries out of a byte (Bit Twiddling
// Hacks, "hasbetween").
constexpr std::uint64_t ascii_bytes_within(std::uint64_t word, std::uint8_t lowest,
                                           std::uint8_t highest) {
  return (word + every_byte(static_cast<std::uint8_t>(0x80 - lowest))) &
         ~(word + every_byte(static_cast<std::uint8_t>(0x7F - highest)));
}

// The high bit of every byte equal to `byte` (below 0x80), the other bits unspecified, in a word
// of bytes below 0x80 only.
constexpr std::uint64_t ascii_bytes_equal(std::uint64_t word, std::uint8_t byte) {
  return ~((word ^ every_byte(byte)) + low_seven_bits);
}

// The high bit of every byte from `lowest` to `highest`, in any word: the test above on the low
// seven bits, and bytes from 0x80 up taken out by their own high bit.
constexpr std::uint64_t bytes_within(std::uint64_t word, std::uint8_t lowest,
                                     std::uint8_t highest) {
  return ascii_bytes_within(word & low_seven_bits, lowest, highest) & ~word & high_bits;
}

// The high bit of every byte that is not a digit: after an XOR with '0' the digits are the bytes
// below 10, and a byte from 0x80 up shows by its own high bit. Five operations where the digit
// test and its complement take seven: with the complement, the converter of the architectures that
// run these kernels executes 3.4 % (armhf), 3.8 % (arm64) and 4.3 % (mips64el) more instructions
// a value in reverselist (counted under qemu; x86-64 times within noise).
constexpr std::uint64_t non_digit_bytes(std::uint64_t word) {
  const std::uint64_t values = word ^ ascii_zeros;
  return (((values & low_seven_bits) + every_byte(0x80 - 10)) | values) & high_bits;
}

// The high bits of a word's bytes gathered into eight bits, byte 0's lowest: one multiplication
// moves each into the top byte, no two product terms on the same bit.
constexpr std::uint64_t gather_high_bits(std::uint64_t flags) {
  return ((flags >> 7) * 0x0102040810204080) >> 56;
}

// Whether std::countr_zero and std::countl_zero are calls into the runtime library here: RISC-V
// without its bit-manipulation extension (Debian's riscv64 baseline) has no instruction for them,
// and the call costs several times the few operations below: reverselist's riscv64 build executes
// 4.6 % (bit indexes) and 4.9 % (bytes above) fewer instructions a value with the tables.
#if defined(__riscv) && !defined(__riscv_zbb)
inline constexpr bool bit_counts_are_calls = true;
#else
inline constexpr bool bit_counts_are_calls = false;
#endif

// de_bruijn_indexes[(b * de_bruijn) >> 58] is i for b = 2^i (a de Bruijn sequence: Leiserson,
// Prokop and Randall).
inline constexpr std::uint64_t de_bruijn = 0x03F79D71B4CB0A89;
inline constexpr auto de_bruijn_indexes = [] {
  std::array<std::uint8_t, 64> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    table.at(static_cast<unsigned>((de_bruijn << i) >> 58)) = static_cast<std::uint8_t>(i);
  }
  return table;
}();

// The index of the lowest set bit of `bits`, any value when there is none: an instruction, or one
// multiplication and a table lookup.
constexpr unsigned lowest_bit_index(std::uint64_t bits) {
  if constexpr (bit_counts_are_calls) {
    return de_bruijn_indexes[static_cast<unsigned>(((bits & (0 - bits)) * de_bruijn) >> 58)];
  } else {
    return static_cast<unsigned>(std::countr_zero(bits));
  }
}

// bytes_above[g]: the bytes above the highest flagged one when g holds a word's eight flags, byte
// 0's lowest (gather_high_bits()); 8 for none.
inline constexpr auto bytes_above = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned gathered = 0; gathered < table.size(); ++gathered) {
    unsigned count = 8;
    for (unsigned byte = 0; byte < 8; ++byte) {
      if (((gathered >> byte) & 1U) != 0) count = 7 - byte;
    }
    table.at(gathered) = static_cast<std::uint8_t>(count);
  }
  return table;
}();

// The number of bytes above the highest flagged one of a word of flags (high bits of bytes), 8
// when none is: from the leading zeros, or from the eight gathered flags and a table.
constexpr unsigned bytes_above_highest(std::uint64_t flags) {
  if constexpr (bit_counts_are_calls) {
    return bytes_above[static_cast<unsigned>(gather_high_bits(flags))];
  } else {
    return static_cast<unsigned>(std::countl_zero(flags)) / 8;
  }
}

// The value of eight digits 0..9 held one a byte, the first in the lowest byte: pairs, then
// quads, then the whole in three multiplications (simdjson's parse_eight_digits_unrolled, after
// Wojciech Mula's SWAR parsing).
constexpr std::uint32_t eight_digits_value(std::uint64_t digits) {
  digits = digits * 10 + (digits >> 8);
  digits = (((digits & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
            (((digits >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
           32;
  return static_cast<std::uint32_t>(digits);
}

}  // namespace number_list::simd::swar
