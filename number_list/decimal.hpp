// Decimal integers in and out of character buffers: the per-value work of both programs, so it
// reads eight digits a step and writes two a step.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace number_list::decimal {

static_assert(std::endian::native == std::endian::little,
              "the eight-digit reader assumes little-endian words");

// The longest int32 in decimal: "-2147483648".
inline constexpr std::size_t max_int_length = 11;
// How far past the last byte of input a scan may look; input buffers keep this much slack.
inline constexpr std::size_t scan_slack = 16;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The white space that "%d" skips in the C locale: blank, tab, LF, VT, FF and CR.
constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// How many of the eight bytes of `chunk`, from the lowest, are ASCII digits before the first
// byte that is not.
inline int leading_digit_count(std::uint64_t chunk) {
  constexpr std::uint64_t high_nibbles = 0xF0F0F0F0F0F0F0F0;
  constexpr std::uint64_t threes = 0x3030303030303030;
  constexpr std::uint64_t sixes = 0x0606060606060606;
  // A byte is a digit when its high nibble is 3 both as it is and with 6 added (low nibble <= 9).
  // A carry out of a non-digit byte only disturbs bytes after it, which are not counted.
  const std::uint64_t not_digit =
      ((chunk & high_nibbles) ^ threes) | (((chunk + sixes) & high_nibbles) ^ threes);
  return not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
}

// The value of eight digits 0..9 held one a byte, the first in the lowest byte.
inline std::uint32_t eight_digits_value(std::uint64_t digits) {
  digits = digits * 10 + (digits >> 8);
  digits = (((digits & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
            (((digits >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
           32;
  return static_cast<std::uint32_t>(digits);
}

enum class ScanStatus {
  parsed,      // a number in the int32 range; `length` bytes long
  invalid,     // no digit after the optional sign, or a number outside the int32 range
  incomplete,  // the digits run up to the end of what is buffered and may go on
};

struct Scan {
  ScanStatus status;
  std::int32_t value;
  std::size_t length;  // bytes taken by a parsed number
};

// Scans an optional sign and the longest run of digits at `p`, as "%d" does after white space.
// `limit` ends the buffered input: *limit must be a non-digit and scan_slack bytes past it must be
// readable. `input_ends` says that no more input follows `limit`.
inline Scan scan_int(const char* p, const char* limit, bool input_ends) {
  const char* q = p;
  const bool negative = *q == '-';
  if (negative || *q == '+') ++q;
  const char* const digits = q;
  while (*q == '0') ++q;

  std::uint64_t chunk = 0;
  std::memcpy(&chunk, q, sizeof chunk);
  const int count = leading_digit_count(chunk);
  constexpr std::uint64_t zeros = 0x3030303030303030;
  std::uint64_t magnitude =
      count == 0 ? 0 : eight_digits_value((chunk - zeros) << (64 - 8 * count));
  q += count;
  if (count == 8) {
    for (int extra = 0; is_digit(*q); ++q) {
      if (++extra > 2) return {ScanStatus::invalid, 0, 0};  // eleven significant digits
      magnitude = magnitude * 10 + static_cast<std::uint64_t>(*q - '0');
    }
  }
  if (q == limit && !input_ends) return {ScanStatus::incomplete, 0, 0};
  constexpr std::uint64_t largest = 2147483647;
  if (q == digits || magnitude > largest + (negative ? 1 : 0)) {
    return {ScanStatus::invalid, 0, 0};
  }
  const std::int64_t signed_value =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return {ScanStatus::parsed, static_cast<std::int32_t>(signed_value),
          static_cast<std::size_t>(q - p)};
}

inline constexpr auto digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// The number of decimal digits of `v`, from its bit length without a loop.
constexpr int decimal_length(std::uint32_t v) {
  constexpr std::array<std::uint32_t, 10> powers = {
      0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  const int estimate = ((32 - std::countl_zero(v | 1U)) * 1233) >> 12;  // 1233 / 4096 ~ log10(2)
  return estimate + (v < powers[static_cast<std::size_t>(estimate)] ? 0 : 1);
}

// Writes `v` in decimal at `out` and returns the end of what was written.
inline char* write_uint(char* out, std::uint32_t v) {
  char* const end = out + decimal_length(v);
  char* p = end;
  while (v >= 100) {
    p -= 2;
    std::memcpy(p, &digit_pairs[2 * (v % 100)], 2);
    v /= 100;
  }
  if (v >= 10) {
    std::memcpy(p - 2, &digit_pairs[2 * v], 2);
  } else {
    p[-1] = static_cast<char>('0' + v);
  }
  return end;
}

// Writes `v` as "%d" does: a minus sign when negative, no padding.
inline char* write_int(char* out, std::int32_t v) {
  std::uint32_t magnitude = static_cast<std::uint32_t>(v);
  if (v < 0) {
    *out++ = '-';
    magnitude = 0U - magnitude;
  }
  return write_uint(out, magnitude);
}

}  // namespace number_list::decimal
