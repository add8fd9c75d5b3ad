// Decimal integers in and out of character buffers: the per-value work of both programs, so it
// reads eight digits a step and writes two a step.
#pragma once

#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace number_list::decimal {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "words are loaded in one of the two plain byte orders");

// The longest int32 in decimal: "-2147483648".
inline constexpr std::size_t max_int_length = 11;
// How far past the last byte of input a scan may look, and how far before the first: input
// buffers keep this much readable, zeroed room on either side.
inline constexpr std::size_t scan_slack = 16;
inline constexpr std::size_t scan_lead_room = 8;

// The bit position of the byte at `index` (0..7) of a word stored to memory as it is: the word-wise
// tricks here count bytes in memory order, whatever the machine's byte order.
constexpr std::size_t byte_shift(std::size_t index) {
  return 8 * (std::endian::native == std::endian::little ? index : 7 - index);
}

constexpr std::uint64_t byte_swap(std::uint64_t word) {
  word = ((word & 0x00FF00FF00FF00FF) << 8) | ((word >> 8) & 0x00FF00FF00FF00FF);
  word = ((word & 0x0000FFFF0000FFFF) << 16) | ((word >> 16) & 0x0000FFFF0000FFFF);
  return (word << 32) | (word >> 32);
}

// Eight bytes from `p` as one word whose lowest byte is p[0], on either byte order.
inline std::uint64_t load_first_byte_low(const char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = byte_swap(word);
  return word;
}

// '0' in every byte of a word: subtracting it turns eight ASCII digits into their values.
inline constexpr std::uint64_t ascii_zeros = 0x3030303030303030;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The white space that "%d" skips in the C locale: blank, tab, LF, VT, FF and CR.
constexpr bool is_space(char c) {
  // Bitwise, not short-circuit: no branch on data that is as often one way as the other.
  return static_cast<bool>(static_cast<unsigned>(c == ' ') |
                           static_cast<unsigned>(static_cast<unsigned char>(c - '\t') < 5));
}

// How many of the eight bytes of `chunk`, from the lowest, are ASCII digits before the first
// byte that is not. The test is simdjson's is_made_of_eight_digits_fast, counted per byte.
inline int leading_digit_count(std::uint64_t chunk) {
  constexpr std::uint64_t high_nibbles = 0xF0F0F0F0F0F0F0F0;
  constexpr std::uint64_t threes = ascii_zeros;  // the high nibble of every digit
  constexpr std::uint64_t sixes = 0x0606060606060606;
  // A byte is a digit when its high nibble is 3 both as it is and with 6 added (low nibble <= 9).
  // A carry out of a non-digit byte only disturbs bytes after it, which are not counted.
  const std::uint64_t not_digit =
      ((chunk & high_nibbles) ^ threes) | (((chunk + sixes) & high_nibbles) ^ threes);
  return not_digit == 0 ? 8 : std::countr_zero(not_digit) / 8;
}

// The value of eight digits 0..9 held one a byte, the first in the lowest byte: pairs, then
// quads, then the whole in three multiplications (simdjson's parse_eight_digits_unrolled, after
// Wojciech Mula's SWAR parsing).
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
  assert(!is_digit(*limit));
  // Branches here would follow the input, which is as often one way as the other (the sign,
  // nine or ten digits): they are written as arithmetic instead.
  const char* q = p;
  const char sign = *q;
  const bool negative = sign == '-';
  q += static_cast<int>(negative) | static_cast<int>(sign == '+');
  const char* const digits = q;
  while (*q == '0') ++q;

  std::uint64_t chunk = load_first_byte_low(q);
  const int count = leading_digit_count(chunk);
  // The digits moved to the top of the word read as that many digits after leading zeros.
  const std::uint64_t keep = count == 0 ? 0 : ~std::uint64_t{0};
  std::uint64_t magnitude =
      eight_digits_value(((chunk - ascii_zeros) << ((64 - 8 * count) & 63)) & keep);
  q += count;
  if (count == 8) {
    // Up to two more digits fit an int32; a third makes eleven, which cannot.
    chunk = load_first_byte_low(q);
    const int more = leading_digit_count(chunk);
    if (more > 2) return {ScanStatus::invalid, 0, 0};
    // Products with 0 or 1 rather than selections, which compilers turn back into branches.
    const auto one = static_cast<std::uint64_t>(more >= 1);
    const auto two = static_cast<std::uint64_t>(more >= 2);
    const std::uint64_t first = (chunk - ascii_zeros) & 0xFF;
    const std::uint64_t second = ((chunk - ascii_zeros) >> 8) & 0xFF;
    magnitude = magnitude * (1 + 9 * one + 90 * two) + first * (one + 9 * two) + second * two;
    q += more;
  }
  if (q == limit && !input_ends) return {ScanStatus::incomplete, 0, 0};
  constexpr std::uint64_t largest = 2147483647;
  if (q == digits || magnitude > largest + static_cast<std::uint64_t>(negative)) {
    return {ScanStatus::invalid, 0, 0};
  }
  const std::uint64_t sign_mask = 0 - static_cast<std::uint64_t>(negative);
  const std::uint64_t signed_value = (magnitude ^ sign_mask) - sign_mask;
  return {ScanStatus::parsed, static_cast<std::int32_t>(static_cast<std::uint32_t>(signed_value)),
          static_cast<std::size_t>(q - p)};
}

#if defined(__SSE2__)
// The common case in one step: white space, an optional sign and at most ten digits, all within
// the sixteen bytes at `p`, found by comparing the bytes at once rather than one after another, so
// that finding where the next number starts does not wait on a chain of loads. `length` covers
// the white space too. Anything else (no digit, longer runs, a number that may go on past
// `limit`, a value out of range) is left to scan_int: the status is then not `parsed`.
// The bytes from `p` - scan_lead_room to `p` + 16 must be readable; *limit must be a non-digit,
// non-space byte.
inline Scan scan_spaced_int(const char* p, const char* limit, bool input_ends) {
  assert(!is_digit(*limit) && !is_space(*limit));
  const Scan general{ScanStatus::incomplete, 0, 0};
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto in_range = [&bytes](char low, char span) {
    const __m128i offset = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
    return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(span)), offset);
  };
  // One bit a byte, sixteen in all: every count below stops at the window's end by itself.
  const auto mask = [](__m128i flags) { return static_cast<unsigned>(_mm_movemask_epi8(flags)); };
  const unsigned digits = mask(in_range('0', 9));
  const unsigned spaces =
      mask(_mm_or_si128(in_range('\t', 4), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
  const unsigned minus = mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')));
  const unsigned plus = mask(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('+')));

  const auto lead = static_cast<unsigned>(std::countr_one(spaces));
  const unsigned negative = (minus >> lead) & 1U;
  const unsigned start = lead + (((minus | plus) >> lead) & 1U);
  const auto count = static_cast<unsigned>(std::countr_one(digits >> start));
  const unsigned end = start + count;
  if (count == 0 || count > 10 || end >= 16 || (p + end == limit && !input_ends)) return general;

  // The last digits, up to eight, read as one word ending at the number's end.
  const std::uint64_t word = load_first_byte_low(p + end - 8);
  const unsigned low_count = count < 8 ? count : 8;
  const std::uint64_t keep = ~std::uint64_t{0} << (std::uint64_t{8} * (8 - low_count));
  const std::uint64_t low = eight_digits_value((word & keep) - (ascii_zeros & keep));
  // One or two digits before those: products with 0 or 1, not branches on the digit count.
  const auto nine = static_cast<std::uint64_t>(count >= 9);
  const auto ten = static_cast<std::uint64_t>(count >= 10);
  const auto first = static_cast<std::uint64_t>(static_cast<unsigned char>(p[start]) - '0');
  const auto second = static_cast<std::uint64_t>(static_cast<unsigned char>(p[start + 1]) - '0');
  const std::uint64_t high = first * (nine + 9 * ten) + second * ten;
  const std::uint64_t magnitude = high * 100000000 + low;
  if (magnitude > 2147483647 + static_cast<std::uint64_t>(negative)) return general;
  const std::uint64_t sign_mask = 0 - static_cast<std::uint64_t>(negative);
  const std::uint64_t signed_value = (magnitude ^ sign_mask) - sign_mask;
  return {ScanStatus::parsed, static_cast<std::int32_t>(static_cast<std::uint32_t>(signed_value)),
          end};
}
#endif

// "00" to "99": numbers are written two digits a step (Alexandrescu's "Three Optimization Tips
// for C++"; fmt writes them the same way).
inline constexpr auto digit_pairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// The number of decimal digits of `v`, from its bit length without a loop (Bit Twiddling Hacks,
// "Find integer log base 10 of an integer").
constexpr int decimal_length(std::uint32_t v) {
  constexpr std::array<std::uint32_t, 10> powers = {
      0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  const int estimate = ((32 - std::countl_zero(v | 1U)) * 1233) >> 12;  // 1233 / 4096 ~ log10(2)
  return estimate + (v < powers[static_cast<std::size_t>(estimate)] ? 0 : 1);
}

// Writes eight digits of `v` < 10^8, leading zeros included.
inline char* write_eight_digits(char* out, std::uint32_t v) {
  const std::uint32_t high = v / 10000;
  const std::uint32_t low = v % 10000;
  std::memcpy(out, &digit_pairs[std::size_t{2} * (high / 100)], 2);
  std::memcpy(out + 2, &digit_pairs[std::size_t{2} * (high % 100)], 2);
  std::memcpy(out + 4, &digit_pairs[std::size_t{2} * (low / 100)], 2);
  std::memcpy(out + 6, &digit_pairs[std::size_t{2} * (low % 100)], 2);
  return out + 8;
}

// Writes `v` in decimal at `out` and returns the end of what was written.
inline char* write_uint(char* out, std::uint32_t v) {
  constexpr std::uint32_t hundred_million = 100000000;
  if (v >= hundred_million) {
    // Most values of a full-range list: one or two leading digits, then eight without a loop.
    const std::uint32_t lead = v / hundred_million;
    const std::size_t one_digit = lead < 10 ? 1 : 0;
    std::memcpy(out, &digit_pairs[std::size_t{2} * lead + one_digit], 2);
    return write_eight_digits(out + 2 - one_digit, v % hundred_million);
  }
  char* const end = out + decimal_length(v);
  char* p = end;
  while (v >= 100) {
    p -= 2;
    std::memcpy(p, &digit_pairs[std::size_t{2} * (v % 100)], 2);
    v /= 100;
  }
  if (v >= 10) {
    std::memcpy(p - 2, &digit_pairs[std::size_t{2} * v], 2);
  } else {
    p[-1] = static_cast<char>('0' + v);
  }
  return end;
}

// Writes `v` as "%d" does: a minus sign when negative, no padding.
inline char* write_int(char* out, std::int32_t v) {
  const bool negative = v < 0;
  *out = '-';
  const auto magnitude = static_cast<std::uint32_t>(v);
  return write_uint(out + (negative ? 1 : 0), negative ? 0U - magnitude : magnitude);
}

}  // namespace number_list::decimal
