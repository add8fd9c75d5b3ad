// The scalar ends of converting and formatting, which every kernel set shares: the sign and range
// of a converted number, and one value's text in its slot.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "number_list/simd/kernels.hpp"
#include "number_list/simd/swar.hpp"

namespace number_list::simd::number_text {

// The value of the last `digits` (1..15) digits of the sixteen bytes held in `first_eight` and
// `last_eight` (loaded with swar::load), the bytes before them ignored.
inline std::uint64_t value_of_last_digits(std::uint64_t first_eight, std::uint64_t last_eight,
                                          unsigned digits) {
  // Masked before the subtraction, so that no borrow from a non-digit byte reaches a digit.
  const auto keep_top = [](unsigned bytes) {
    return bytes >= 8 ? ~std::uint64_t{0} : bytes == 0 ? 0 : ~std::uint64_t{0} << (8 * (8 - bytes));
  };
  const std::uint64_t late_keep = keep_top(digits);
  const std::uint64_t early_keep = keep_top(digits > 8 ? digits - 8 : 0);
  const std::uint64_t late =
      swar::eight_digits_value((last_eight & late_keep) - (swar::ascii_zeros & late_keep));
  const std::uint64_t early =
      swar::eight_digits_value((first_eight & early_keep) - (swar::ascii_zeros & early_keep));
  return early * 100000000 + late;
}

// Stores the number of `magnitude` behind the byte `before` (its sign, if it is one) and says
// whether it is in the int32 range.
inline bool store_signed(std::uint64_t magnitude, char before, std::int32_t& value) {
  const bool negative = before == '-';
  if (magnitude > 2147483647U + static_cast<std::uint64_t>(negative)) return false;
  const std::uint64_t sign_mask = 0 - static_cast<std::uint64_t>(negative);
  value =
      static_cast<std::int32_t>(static_cast<std::uint32_t>((magnitude ^ sign_mask) - sign_mask));
  return true;
}

// The number of decimal digits of `v`, from its bit length without a loop (Bit Twiddling Hacks,
// "Find integer log base 10 of an integer").
// The least value of each decimal length above one, after a 0 for the estimate below.
inline constexpr std::array<std::uint32_t, 10> length_steps = {
    0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

constexpr unsigned decimal_length(std::uint32_t v) {
  const auto& powers = length_steps;
  const unsigned estimate = ((32U - static_cast<unsigned>(std::countl_zero(v | 1U))) * 1233U) >> 12;
  return estimate + (v < powers[estimate] ? 0U : 1U);
}

// Writes `value` as "%d" does into the slot_size bytes at `slot`, ending at the last, blanks
// before it; returns its length. No branch depends on the value: signs and lengths in real lists
// are as often one way as another.
inline std::uint8_t format_slot(std::int32_t value, char* slot) {
  const auto negative = static_cast<unsigned>(value < 0);
  const std::uint32_t magnitude = (static_cast<std::uint32_t>(value) ^ (0U - negative)) + negative;
  // All ten digits, leading zeros included, in the slot's last ten bytes: the first two in the
  // top bytes of the low word, the other eight as the high word.
  const std::uint32_t lead = magnitude / 100000000;  // 0..42
  const std::uint64_t lead_text = (lead / 10 + '0') | ((lead % 10 + '0') << 8);
  const std::uint64_t rest_text = swar::eight_digits_text(magnitude % 100000000);
  const unsigned length = decimal_length(magnitude);
  // Leading zeros become blanks, and the blank before the first digit a minus when negative.
  const std::uint64_t blanks = swar::every_byte(' ');
  const std::uint64_t minus = ('-' ^ ' ') * std::uint64_t{negative};
#if defined(__SIZEOF_INT128__)
  __extension__ using Text = unsigned __int128;
  const Text digits = (Text{lead_text} << 48) | (Text{rest_text} << 64);
  const Text keep = ~Text{0} << (8 * (slot_size - length));
  Text text = (digits & keep) | (((Text{blanks} << 64) | blanks) & ~keep);
  text ^= Text{minus} << (8 * (slot_size - 1 - length));
  const auto low = static_cast<std::uint64_t>(text);
  const auto high = static_cast<std::uint64_t>(text >> 64);
#else
  // The same on a pair of words, for machines without 128-bit arithmetic.
  const unsigned blank_bytes = slot_size - length;  // 6..15
  const std::uint64_t keep_low = blank_bytes >= 8 ? 0 : ~std::uint64_t{0} << (8 * blank_bytes);
  const std::uint64_t keep_high =
      blank_bytes >= 8 ? ~std::uint64_t{0} << (8 * (blank_bytes - 8)) : ~std::uint64_t{0};
  std::uint64_t low = ((lead_text << 48) & keep_low) | (blanks & ~keep_low);
  std::uint64_t high = (rest_text & keep_high) | (blanks & ~keep_high);
  const unsigned minus_at = blank_bytes - 1;  // 5..14
  if (minus_at >= 8) {
    high ^= minus << (8 * (minus_at - 8));
  } else {
    low ^= minus << (8 * minus_at);
  }
#endif
  swar::store(slot, low);
  swar::store(slot + 8, high);
  return static_cast<std::uint8_t>(length + negative);
}

}  // namespace number_list::simd::number_text
