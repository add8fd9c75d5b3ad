// The reference kernels, in plain C++ on 64-bit words: every machine runs them, and every other
// kernel must give exactly what they give.
#include <bit>
#include <cstddef>
#include <cstdint>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_ends.hpp"
#include "number_list/simd/number_text.hpp"
#include "number_list/simd/swar.hpp"

namespace number_list::simd::portable {

bool runs_here() { return true; }

namespace {

// Each byte's class, whatever the bytes: every test masked, each class gathered.
number_ends::ByteClasses classify_each_byte(const char* block) {
  number_ends::ByteClasses c{0, 0, 0};
  for (unsigned at = 0; at < block_size; at += 8) {
    const std::uint64_t word = swar::load(block + at);
    const std::uint64_t spaces =
        swar::bytes_within(word, '\t', '\r') | swar::bytes_within(word, ' ', ' ');
    const std::uint64_t signs =
        swar::bytes_within(word, '+', '+') | swar::bytes_within(word, '-', '-');
    c.digits |= swar::gather_high_bits(swar::bytes_within(word, '0', '9')) << at;
    c.spaces |= swar::gather_high_bits(spaces) << at;
    c.signs |= swar::gather_high_bits(signs) << at;
  }
  return c;
}

// A block of a list as people write one holds digits, signs and white space only; then its spaces
// are the bytes that are neither digits nor signs, and two classes are gathered, not three, from
// tests that need no masking. Any other block goes through classify_each_byte(). The portable
// programs take 9 % (reverselist) and 8 % (extendlist) less time on a Zen 4, and reverselist
// executes 8 % (arm64), 6 % (riscv64) and 14 % (armhf) fewer instructions a value (counted under
// qemu).
number_ends::ByteClasses classify_block(const char* block) {
  std::uint64_t digits = 0;
  std::uint64_t signs = 0;
  std::uint64_t unusual = 0;  // high bits of bytes from 0x80 up, or of no class
  for (unsigned at = 0; at < block_size; at += 8) {
    const std::uint64_t word = swar::load(block + at);
    const std::uint64_t digit = swar::ascii_bytes_within(word, '0', '9');
    const std::uint64_t sign =
        swar::ascii_bytes_equal(word, '+') | swar::ascii_bytes_equal(word, '-');
    const std::uint64_t space =
        swar::ascii_bytes_within(word, '\t', '\r') | swar::ascii_bytes_equal(word, ' ');
    unusual |= word | ~(digit | sign | space);
    digits |= swar::gather_high_bits(digit & swar::high_bits) << at;
    signs |= swar::gather_high_bits(sign & swar::high_bits) << at;
  }
  if ((unusual & swar::high_bits) != 0) return classify_each_byte(block);
  return {digits, ~(digits | signs), signs};
}

}  // namespace

std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  return number_ends::find_ends<classify_block>(bytes, count, ends);
}

namespace {

// One store a set bit, lowest first.
std::uint32_t* flatten_block(std::uint64_t bits, std::uint32_t base, std::uint32_t* out) {
  for (; bits != 0; bits &= bits - 1) *out++ = base + swar::lowest_bit_index(bits);
  return out;
}

}  // namespace

std::size_t flatten(const std::uint64_t* bits, std::size_t blocks, std::uint32_t base,
                    std::uint32_t* offsets) {
  std::uint32_t* out = offsets;
  std::uint32_t block_base = base;
  for (std::size_t b = 0; b < blocks; ++b, block_base += std::uint32_t{block_size}) {
    out = flatten_block(bits[b], block_base, out);
  }
  return static_cast<std::size_t>(out - offsets);
}

std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values) {
  for (std::size_t i = 0; i < count; ++i) {
    const char* const end = data + ends[i];
    const std::uint64_t last_eight = swar::load(end - 8);
    const std::uint64_t first_eight = swar::load(end - 16);
    // Digits counted back from the end: the highest bytes of the words, last word first.
    const std::uint64_t late_stop = swar::non_digit_bytes(last_eight);
    const std::uint64_t early_stop = swar::non_digit_bytes(first_eight);
    const unsigned digits = late_stop != 0 ? swar::bytes_above_highest(late_stop)
                                           : 8 + swar::bytes_above_highest(early_stop);
    if (digits > convertible_digits) return i;
    const std::uint64_t magnitude =
        number_text::value_of_last_digits(first_eight, last_eight, digits);
    if (!number_text::store_signed(magnitude, end[-static_cast<int>(digits) - 1] == '-', values[i]))
      return i;
  }
  return count;
}

char* pack(const FormattedValues& formatted, std::size_t count, char* out) {
  return number_text::pack_texts(formatted, 0, count, out);
}

void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  for (std::size_t i = 0; i < count; ++i) {
    out.lengths[i] = number_text::format_slot(values[i], out.slots.data() + i * slot_size);
  }
}

extern const Kernels kernels{"portable", runs_here, find_ends, flatten, convert, format, pack};

}  // namespace number_list::simd::portable
