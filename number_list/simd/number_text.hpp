// The scalar ends of converting and formatting, which every kernel set shares: the sign and range
// of a converted number, and one value's text in its slot.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernels.hpp"
#include "number_list/simd/swar.hpp"

namespace number_list::simd::number_text {

// The highest n (1 to 8) bytes of a word: the digits of a number in the word that ends it.
constexpr std::uint64_t top_bytes(std::uint64_t word, unsigned n) {
  return word & (~std::uint64_t{0} << (64 - 8 * n));
}

// The value of the last `digits` (1..15) digits of the sixteen bytes held in `first_eight` and
// `last_eight` (loaded with swar::load), the bytes before them ignored. An XOR with '0' leaves
// each digit's value in its byte, no borrow reaching the next.
inline std::uint64_t value_of_last_digits(std::uint64_t first_eight, std::uint64_t last_eight,
                                          unsigned digits) {
  const std::uint64_t last = last_eight ^ swar::ascii_zeros;
  if (digits <= 8) return swar::eight_digits_value(top_bytes(last, digits));
  const std::uint64_t first = top_bytes(first_eight ^ swar::ascii_zeros, digits - 8);
  // Nine or ten digits, as most of a full-range list: the first word's last two bytes, not a
  // second eight-digit sum (reverselist's portable build: armhf 4.0 %, arm64 2.6 % fewer
  // instructions a value under qemu; x86-64 1 to 3 % less time).
  const std::uint64_t early =
      digits <= 10 ? ((first >> 48) & 0xFF) * 10 + (first >> 56) : swar::eight_digits_value(first);
  return early * 100000000 + swar::eight_digits_value(last);
}

// Stores the number of `magnitude` and sign in `value` and says whether it is in the int32 range;
// out of range, `value` is left alone.
inline bool store_signed(std::uint64_t magnitude, bool negative, std::int32_t& value) {
  if (magnitude > 2147483647U + static_cast<std::uint64_t>(negative)) return false;
  const std::uint64_t sign_mask = 0 - static_cast<std::uint64_t>(negative);
  value =
      static_cast<std::int32_t>(static_cast<std::uint32_t>((magnitude ^ sign_mask) - sign_mask));
  return true;
}

// lanes_set[n]: four 64-bit lanes, all ones in those whose bits are set in n: the sign masks of
// four converted numbers, picked by their minus bits. Aligned for a vector load of all four.
alignas(32) inline constexpr std::array<std::array<std::int64_t, 4>, 16> lanes_set = [] {
  std::array<std::array<std::int64_t, 4>, 16> masks{};
  for (std::size_t n = 0; n < masks.size(); ++n) {
    for (std::size_t lane = 0; lane < 4; ++lane) masks[n][lane] = ((n >> lane) & 1U) != 0 ? -1 : 0;
  }
  return masks;
}();

// keep_last_bytes[n .. n + 15] keeps the last n bytes of a sixteen-byte window: the mask that
// leaves only a number's digits in its conversion window.
alignas(16) inline constexpr std::array<std::uint8_t, 32> keep_last_bytes = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// The least value of each decimal length above one, after a 0 for the estimate below.
inline constexpr std::array<std::uint32_t, 10> length_steps = {
    0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// The decimal length of a value with `leading_zeros` (0 to 31) leading zero bits, or one less:
// its bit length times log10(2), taken as 1233 / 4096. The value reaches length_steps[estimate]
// where it is one more.
constexpr unsigned length_estimate(unsigned leading_zeros) {
  return ((32U - leading_zeros) * 1233U) >> 12;
}

// The number of decimal digits of `v`, from its bit length without a loop (Bit Twiddling Hacks,
// "Find integer log base 10 of an integer").
constexpr unsigned decimal_length(std::uint32_t v) {
  const unsigned estimate = length_estimate(static_cast<unsigned>(std::countl_zero(v | 1U)));
  return estimate + (v < length_steps[estimate] ? 0U : 1U);
}

// "00" to "99": digits are written two a step (Alexandrescu's "Three Optimization Tips for C++";
// fmt writes them the same way).
inline constexpr auto digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

inline void write_pair(char* at, std::uint32_t pair) {
  std::memcpy(at, &digit_pairs[std::size_t{2} * pair], 2);
}

// Writes `value` as "%d" does into the slot_size bytes at `slot`, ending at the last; the slot's
// first blanks_after_text bytes are blanks, as a FormatFn leaves them, and the bytes between them
// and the text as they were. Returns its length.
inline std::uint8_t format_slot(std::int32_t value, char* slot) {
  const bool negative = value < 0;
  const std::uint32_t sign_mask = 0U - static_cast<std::uint32_t>(negative);
  std::uint32_t magnitude = (static_cast<std::uint32_t>(value) ^ sign_mask) - sign_mask;
  constexpr std::uint32_t hundred_million = 100000000;
  // Nine or ten digits, as most values of a full-range list have, are told apart by one
  // comparison, not by a bit length and a table: reverselist's portable build executes 9.0 % fewer
  // instructions a value on riscv64 (whose bit counts are library calls), 3.1 % on arm64, 2.6 % on
  // mips64el and 1.8 % on x86-64 (counted under qemu).
  const unsigned length = magnitude < hundred_million ? decimal_length(magnitude)
                          : magnitude < 1000000000    ? 9U
                                                      : 10U;
  // Only the blanks a slot must start with, one word store: the portable build of riscv64
  // executes 8 to 9 % fewer instructions a value than with a blank slot copied whole (byte by byte
  // there), and a fill of the whole slot is a call into the C library on mips64el (counted under
  // qemu).
  constexpr std::uint64_t blanks = swar::every_byte(' ');
  static_assert(blanks_after_text <= sizeof blanks);
  std::memcpy(slot, &blanks, sizeof blanks);
  char* const end = slot + slot_size;
  if (magnitude >= hundred_million) {
    // Most values of a full-range list: eight digits without a loop, then one or two more.
    const std::uint32_t rest = magnitude % hundred_million;
    const std::uint32_t high = rest / 10000;
    const std::uint32_t low = rest % 10000;
    write_pair(end - 8, high / 100);
    write_pair(end - 6, high % 100);
    write_pair(end - 4, low / 100);
    write_pair(end - 2, low % 100);
    write_pair(end - 10, magnitude / hundred_million);  // a leading 0 is blanked below
  } else {
    char* p = end;
    for (; magnitude >= 100; magnitude /= 100) {
      p -= 2;
      write_pair(p, magnitude % 100);
    }
    write_pair(p - 2, magnitude);
  }
  // The byte before the first digit, which may hold the leading zero of the last pair written:
  // a blank, or the minus. Picked by the sign mask, not a branch: in a list of random signs a
  // branch is mispredicted every other value (the portable programs 5 to 8 % slower so).
  end[-static_cast<int>(length) - 1] = static_cast<char>(' ' + (('-' - ' ') & sign_mask));
  return static_cast<std::uint8_t>(length - sign_mask);
}

// Texts first..end-1 of `formatted` one after another at `out`, each with its blank, as a
// PackFn writes them; returns the end.
inline char* pack_texts(const FormattedValues& formatted, std::size_t first, std::size_t end,
                        char* out) {
  for (std::size_t i = first; i < end; ++i) {
    // Read before the move, which for all the compiler knows could write over it.
    const std::size_t length = formatted.lengths[i];
    // The text with the blanks after it: one fixed-size move, not a copy of a measured length.
    std::memcpy(out, formatted.text(i), slot_size);
    out += length + 1;
  }
  return out;
}

}  // namespace number_list::simd::number_text
