// The character classes and byte positions that reading and writing decimal numbers share.
#pragma once

#include <bit>
#include <cstddef>

namespace number_list::decimal {

// The bit position of the byte at `index` (0..7) of a word stored to memory as it is: the word-wise
// tricks here count bytes in memory order, whatever the machine's byte order.
constexpr std::size_t byte_shift(std::size_t index) {
  return 8 * (std::endian::native == std::endian::little ? index : 7 - index);
}

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The white space that "%d" skips in the C locale: blank, tab, LF, VT, FF and CR.
constexpr bool is_space(char c) { return c == ' ' || static_cast<unsigned char>(c - '\t') < 5; }

}  // namespace number_list::decimal
