// The kernel steps that run the same at every register width, written once over a vector layer
// (sse2_vec.hpp, avx2_vec.hpp): block classification and the formatter. Included inside a kernel
// set's namespace, after its layer and under its instructions, the way simdjson's generic stages
// are; each set keeps a step of its own only where its instructions run a different method.

// All bytes of a vector within lowest..lowest+span, unsigned: one comparison after a shift.
inline vec bytes_within(vec bytes, char lowest, char span) {
  const vec offset = sub8(bytes, splat8(lowest));
  return equal8(min_u8(offset, splat8(span)), offset);
}

inline number_ends::ByteClasses classify_block(const char* block) {
  number_ends::ByteClasses c{0, 0, 0};
  for (unsigned at = 0; at < block_size; at += sizeof(vec)) {
    const vec v = load(block + at);
    c.digits |= bits_of(bytes_within(v, '0', 9)) << at;
    c.spaces |= bits_of(bit_or(bytes_within(v, '\t', 4), equal8(v, splat8(' ')))) << at;
    c.signs |= bits_of(bit_or(equal8(v, splat8('+')), equal8(v, splat8('-')))) << at;
  }
  return c;
}

inline std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  return number_ends::find_ends<classify_block>(bytes, count, ends);
}

// Formatting: values_per_vec values at a time, four to each 128-bit lane, since unpacks and
// shuffles work within a lane.

// The decimal length of each 32-bit magnitude: one more for each step reached.
inline vec decimal_lengths(vec magnitude) {
  vec length = splat32(1);
  for (std::size_t step = 1; step < number_text::length_steps.size(); ++step) {
    length = sub32(length, at_least_u32(magnitude, number_text::length_steps[step]));
  }
  return length;
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
// which is always a zero, by one exclusive or.
inline void finish_slot(vec slot, vec reach, char* slots, std::size_t k) {
  const vec at_minus = equal8(add8(byte_places(), reach), splat8(slot_size - 1));
  store_slot(bit_xor(slot, bit_and(at_minus, splat8('0' ^ '-'))), slots, k, slot_size);
}

// values_per_vec values' slots. A slot holds its value's ten digits, leading zeros included, in its
// last ten bytes, a zero and blanks before them, and the minus over the zero before the first
// significant digit: the caller copies from the text's first byte, so the zeros before it are
// never seen. Returns the lengths, the minus counted, one a byte.
inline std::uint64_t write_slots(vec values, char* slots) {
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
  return low_bytes32(sub32(length, sign));
}

// values_per_vec values a step, side by side in one register from the sign to the slots.
inline void format_values(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  for (std::size_t first = 0; first < count; first += values_per_vec) {
    const std::uint64_t lengths = write_slots(load_values(values + first, count - first),
                                              out.slots.data() + first * slot_size);
    std::memcpy(&out.lengths[first], &lengths, values_per_vec);
  }
}
