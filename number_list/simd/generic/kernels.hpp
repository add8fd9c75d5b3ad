// The kernel steps that run the same at every register width, written once over a vector layer
// (sse2_vec.hpp, avx2_vec.hpp, avx512_vec.hpp): block classification, conversion and the
// formatter. Included inside a kernel set's namespace, after its layer and under its
// instructions, the way simdjson's generic stages are; each set keeps a step of its own only where
// its instructions run a different method. A layer's comparisons give its own kind of flags
// (vectors of all-ones lanes, or mask registers), which only its own operations take.

// All bytes of a vector within lowest..lowest+span, unsigned: one comparison after a shift.
inline auto bytes_within(vec bytes, char lowest, char span) {
  return at_most_u8(sub8(bytes, splat8(lowest)), splat8(span));
}

// Each class's flags gathered into one bit a byte, a register (a part of the block) at a time, as
// the layer gathers them (BlockBits).
inline number_ends::ByteClasses classify_block(const char* block) {
  BlockBits digits{};
  BlockBits spaces{};
  BlockBits signs{};
  for (unsigned part = 0; part < block_size / sizeof(vec); ++part) {
    const vec v = load(block + part * sizeof(vec));
    gather(digits, part, bytes_within(v, '0', 9));
    gather(spaces, part, either(bytes_within(v, '\t', 4), equal8(v, splat8(' '))));
    gather(signs, part, either(equal8(v, splat8('+')), equal8(v, splat8('-'))));
  }
  return {bits_of(digits), bits_of(spaces), bits_of(signs)};
}

inline std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  return number_ends::find_ends<classify_block>(bytes, count, ends);
}

// Formatting: values_per_vec values at a time, four to each 128-bit lane, since unpacks and
// shuffles work within a lane.

// The decimal length of each 32-bit magnitude: one more for each step reached, unless the layer
// counts leading zeros (AVX-512). A template, so that only the way the layer takes is compiled.
template <class Vec = vec>
vec decimal_lengths(Vec magnitude) {
  if constexpr (requires { decimal_lengths_from_leading_zeros(magnitude); }) {
    return decimal_lengths_from_leading_zeros(magnitude);
  } else {
    vec length = splat32(1);
    for (std::size_t step = 1; step < number_text::length_steps.size(); ++step) {
      length = add_one32_where(length, at_least_u32(magnitude, number_text::length_steps[step]));
    }
    return length;
  }
}

// Each 16-bit lane's value below 100 as its two digits, the tens first in memory.
// For p = 10a + b below 100, a is the high half of p * 6554, and 256p - 2559a is a + 256b: the
// tens in the low byte, the ones in the high one. Two multiplications.
inline vec digit_pairs(vec pairs) {
  const vec tens = mul_high_u16(pairs, splat16(6554));
  vec tens_weight = splat16(2559);
  hide(tens_weight);
  return add16(sub16(shift_left16(pairs, 8), mul16(tens, tens_weight)), splat16(0x3030));
}

// The values in the 64-bit lanes (the high halves zero), split into the part above 10^8 and the
// two four-digit groups under it, the groups as 16-bit lanes 0 and 1.
struct Split {
  vec lead;
  vec groups;
};
inline Split split_hundred_millions(vec magnitude) {
  const vec lead = shift_right64(mul_u32(magnitude, splat32(1441151881)), 57);
  const vec rest = sub64(magnitude, mul_u32(lead, splat32(100000000)));
  const vec high = shift_right64(mul_u32(rest, splat32(109951163)), 40);
  const vec low = sub64(rest, mul_u32(high, splat32(10000)));
  return {lead, bit_or(high, shift_left64(low, 16))};
}

// Slot k of each lane's values, given each value's reach (its length, raised past every place for
// a positive value) in every byte: the minus goes over the byte whose place plus the reach is 15,
// which is always a zero.
inline void finish_slot(vec slot, vec reach, char* slots, std::size_t k) {
  const auto at_minus = equal8(add8(byte_places(), reach), splat8(slot_size - 1));
  store_slot(sub8_where(slot, at_minus, splat8('0' - '-')), slots, k, slot_size);
}

// values_per_vec values' slots. A slot holds its value's ten digits, leading zeros included, in its
// last ten bytes, a zero and blanks before them, and the minus over the zero before the first
// significant digit: the caller copies from the text's first byte, so the zeros before it are
// never seen. Writes the lengths, the minus counted, one a byte at `lengths`.
[[gnu::always_inline]] inline void write_slots(vec values, char* slots, std::uint8_t* lengths) {
  const vec sign = shift_right_signed32(values, 31);
  // The absolute value of INT32_MIN is its own bit pattern, which read unsigned is its magnitude.
  const vec magnitude = abs32(values);
  const vec length = decimal_lengths(magnitude);
  // Values 0 and 2 of each lane in the even 32-bit lanes' low halves, 1 and 3 in the odd ones'.
  const Split even = split_hundred_millions(bit_and(magnitude, splat64(0xFFFFFFFF)));
  const Split odd = split_hundred_millions(shift_right64(magnitude, 32));
  // The four-digit groups of values 0..3 in order, then their digits: each group's upper pair
  // and lower pair, interleaved back into reading order.
  const vec groups = bit_or(even.groups, shift_left64(odd.groups, 32));
  const vec uppers = shift_right16(mul_high_u16(groups, splat16(5243)), 3);
  vec hundred = splat16(100);
  hide(hundred);
  const vec lowers = sub16(groups, mul16(uppers, hundred));
  const vec upper_digits = digit_pairs(uppers);
  const vec lower_digits = digit_pairs(lowers);
  const vec last_eight_01 = interleave_low16(upper_digits, lower_digits);
  const vec last_eight_23 = interleave_high16(upper_digits, lower_digits);
  // The first eight bytes: blanks, a zero, then the two digits above 10^8.
  const vec leads = digit_pairs(bit_or(even.lead, shift_left64(odd.lead, 32)));
  const vec blank_word = splat64(0x0000302020202020);
  const vec first_eight_01 = bit_or(shift_left64(interleave_low32(leads, zero()), 48), blank_word);
  const vec first_eight_23 = bit_or(shift_left64(interleave_high32(leads, zero()), 48), blank_word);
  // Each value's reach in all four of its bytes.
  vec reach = add32(length, and_not(sign, splat32(0x40)));
  reach = bit_or(reach, shift_left32(reach, 8));
  reach = bit_or(reach, shift_left32(reach, 16));
  finish_slot(interleave_low64(first_eight_01, last_eight_01), shuffle32<0x00>(reach), slots, 0);
  finish_slot(interleave_high64(first_eight_01, last_eight_01), shuffle32<0x55>(reach), slots, 1);
  finish_slot(interleave_low64(first_eight_23, last_eight_23), shuffle32<0xAA>(reach), slots, 2);
  finish_slot(interleave_high64(first_eight_23, last_eight_23), shuffle32<0xFF>(reach), slots, 3);
  store_low_bytes32(sub32(length, sign), lengths);
}

// values_per_vec values a step, side by side in one register from the sign to the slots. The last
// few go apart, after the loop, gathered through memory with zeros after them: the copy may call
// the C library, and a call in the loop would take its constants out of their registers on every
// pass (arm64: 6 instructions a value).
inline void format_values(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  std::size_t first = 0;
  for (; first + values_per_vec <= count; first += values_per_vec) {
    write_slots(load(values + first), out.slots.data() + first * slot_size, &out.lengths[first]);
  }
  if (first < count) {
    std::array<std::int32_t, values_per_vec> last{};
    std::copy_n(values + first, count - first, last.begin());
    write_slots(load(last.data()), out.slots.data() + first * slot_size, &out.lengths[first]);
  }
}

// Conversion: a number's window is the convert_window bytes before its end, one window to each
// 128-bit lane. The windows of the even-numbered numbers of a step fill one register and the odd
// ones' another, so that packing the two puts the numbers back in order.
inline constexpr std::size_t windows_per_vec = sizeof(vec) / convert_window;
inline constexpr std::size_t numbers_per_step = 2 * windows_per_vec;

// What a step's windows of one parity (the even or the odd numbers) hold: their digits, and a bit
// for each of their numbers, in number order, that is negative or too long to convert here.
struct Windows {
  vec digits;  // digit values, every byte before its number's digits zeroed
  unsigned negative;
  unsigned too_long;
};

// The digits at the end of each window, counted back from its end: sixteen when the whole window
// is digits. From one bit a byte, unless the layer narrows flags to four bits a byte more cheaply
// (NEON, whose register holds one window).
template <class Flags = flags8>
[[gnu::always_inline]] inline std::array<unsigned, windows_per_vec> trailing_digits(
    Flags non_digit) {
  std::array<unsigned, windows_per_vec> digits{};
  if constexpr (windows_per_vec == 1 && requires { nibbles_of(non_digit); }) {
    digits[0] = static_cast<unsigned>(std::countl_zero(nibbles_of(non_digit))) / 4;
  } else {
    const std::uint64_t bits = bits_of(non_digit);
    for (unsigned k = 0; k < windows_per_vec; ++k) {
      digits.at(k) =
          static_cast<unsigned>(std::countl_zero(static_cast<std::uint16_t>(bits >> (16 * k))));
    }
  }
  return digits;
}

[[gnu::always_inline]] inline Windows windows_before(const char* data, const std::uint32_t* ends,
                                                     unsigned parity) {
  const vec values = sub8(load_windows(data, ends + parity, convert_window), splat8('0'));
  const std::array<unsigned, windows_per_vec> digits =
      trailing_digits(at_least_u8(values, splat8(10)));
  Windows w{zero(), 0, 0};
  for (unsigned k = 0; k < windows_per_vec; ++k) {
    const unsigned number = 2 * k + parity;
    w.too_long |= (digits.at(k) / 16) << number;
    // The byte before the digits is the sign, if the number has one (a number too long reads
    // one within its window, which does not matter).
    const char* const sign =
        data + ends[number] - std::min(digits.at(k), unsigned{convertible_digits}) - 1;
    w.negative |= static_cast<unsigned>(*sign == '-') << number;
  }
  w.digits = keep_last(values, digits);
  return w;
}

// The magnitudes of the even and the odd windows' numbers, as 64-bit lanes in number order: digit
// pairs, four-digit groups, the two windows' groups packed side by side, then eights.
[[gnu::always_inline]] inline vec magnitudes(vec even_digits, vec odd_digits) {
  const vec hundreds = splat32(100 | (1 << 16));
  const vec groups = pack32_to16(mul_add16(pair_values(even_digits), hundreds),
                                 mul_add16(pair_values(odd_digits), hundreds));
  const vec eights = mul_add16(groups, splat32(10000 | (1 << 16)));
  return add64(mul_u32(eights, splat32(100000000)), shift_right64(eights, 32));
}

// Converts the first `wanted` numbers of a step, as convert() does, and returns how many; a set
// may find its windows' digits its own way (`windows_of`).
template <auto windows_of>
[[gnu::always_inline]] inline std::size_t convert_step(const char* data, const std::uint32_t* ends,
                                                       std::size_t wanted, std::int32_t* values) {
  const Windows even = windows_of(data, ends, 0);
  const Windows odd = windows_of(data, ends, 1);
  const vec magnitude = magnitudes(even.digits, odd.digits);
  const vec negative = lanes64_set(even.negative | odd.negative);
  // Below zero where out of range: a negative number may reach one further.
  const vec room = sub64(splat64(INT32_MAX), add64(magnitude, negative));
  const std::uint64_t stops = sign_bits64(room) | even.too_long | odd.too_long;
  // Nearly every step has no stop, and then takes no count: the SSE2 build 4 to 6 % faster on a
  // Zen 4 (side by side), the NEON build 2.5 instructions a value fewer.
  const std::size_t good =
      stops == 0 ? wanted
                 : std::min<std::size_t>(wanted, static_cast<std::size_t>(std::countr_zero(stops)));
  store_low_halves64(sub64(bit_xor(magnitude, negative), negative), good, values);
  return good;
}

// A step's numbers at a time; the last few with the last end repeated to make up a step, only
// those wanted stored.
template <auto windows_of = windows_before>
std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values) {
  std::size_t i = 0;
  for (; i + numbers_per_step <= count; i += numbers_per_step) {
    const std::size_t converted =
        convert_step<windows_of>(data, ends + i, numbers_per_step, values + i);
    if (converted < numbers_per_step) return i + converted;
  }
  if (i == count) return count;
  std::array<std::uint32_t, numbers_per_step> last{};
  for (std::size_t k = 0; k < numbers_per_step; ++k) last.at(k) = ends[std::min(i + k, count - 1)];
  return i + convert_step<windows_of>(data, last.data(), count - i, values + i);
}
