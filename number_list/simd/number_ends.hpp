// From the classes of a block's bytes to where its numbers end: the step every kernel set's
// find_ends() shares once it has classified a block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "number_list/decimal.hpp"
#include "number_list/simd/kernels.hpp"

namespace number_list::simd::number_ends {

// One bit per byte of a block, bit i for byte i.
struct ByteClasses {
  std::uint64_t digits;  // '0' to '9'
  std::uint64_t spaces;  // what "%d" skips: blank, tab, LF, VT, FF, CR
  std::uint64_t signs;   // '+' and '-'
};

// The bytes just after a run of digits in a block of `digits`; `digit_before` is 1 when the byte
// before the block is a digit.
constexpr std::uint64_t run_ends(std::uint64_t digits, std::uint64_t digit_before) {
  return ~digits & ((digits << 1) | digit_before);
}

// The bytes at which a read stops: neither white space nor part of a number, or a sign without a
// digit right after it (`digit_after`: bit i when byte i + 1 is a digit).
constexpr std::uint64_t stops(const ByteClasses& c, std::uint64_t digit_after) {
  return ~(c.digits | c.spaces | c.signs) | (c.signs & ~digit_after);
}

// The `ends` up to the lowest of the `stops`, an end there included: a run may end at the first
// stop, not after it.
constexpr std::uint64_t up_to_first_stop(std::uint64_t ends, std::uint64_t stops) {
  return stops == 0 ? ends : ends & (((stops & (0 - stops)) << 1) - 1);
}

// find_ends() (kernels.hpp) with `classify_block` classifying each block. Inlined into each set's
// find_ends(), so that its classify_block, built for its instruction set, is inlined there too.
template <auto classify_block>
[[gnu::always_inline]] inline std::size_t find_ends(const char* bytes, std::size_t count,
                                                    std::uint64_t* ends) {
  std::uint64_t digit_before = 0;  // whether the last byte of the block before is a digit
  for (std::size_t b = 0; b < count; ++b) {
    const char* const block = bytes + b * block_size;
    const ByteClasses c = classify_block(block);
    const std::uint64_t digit_after =
        (c.digits >> 1) | (decimal::is_digit(block[block_size]) ? std::uint64_t{1} << 63 : 0);
    const std::uint64_t stop = stops(c, digit_after);
    ends[b] = up_to_first_stop(run_ends(c.digits, digit_before), stop);
    if (stop != 0) return b + 1;
    digit_before = c.digits >> 63;
  }
  return count;
}

}  // namespace number_list::simd::number_ends
