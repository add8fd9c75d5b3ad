// The value prompts: the text written before each value of the value entry is read.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <tuple>
#include <utility>

#include "number_list/console.hpp"
#include "number_list/decimal.hpp"
#include "number_list/number_list.hpp"
#include "number_list/simd/number_text.hpp"

namespace number_list {

// What the value entry needs of a prompt: the prompt of the next position, and the prompts of the
// next `times` positions at once (written in bulk after each run of reads, and once reads fail).
template <class Prompt>
concept ValuePrompt = requires(Prompt& prompt, ConsoleOutput& out, Position times) {
  prompt.write_next(out);
  prompt.write_next(out, times);
};

// "[<position>]= " for positions counting up by one. The text is kept ready and its digits are
// counted up in place, so a prompt costs one short copy instead of a conversion; deriving the
// last digit's place from the length at every prompt instead made extendlist 15 % slower.
class PositionPrompt {
 public:
  explicit PositionPrompt(Position first) : length_(length_of(first)) {
    assert(first >= 0);
    std::tie(low_, high_) = rendered(first);
    ones_left_ = 9 - static_cast<unsigned>(first % 10);
    find_last_digit();
  }

  // The most that write_at() writes: "[2147483647]= " is 14 bytes, written as two 8-byte words.
  static constexpr std::size_t longest = 16;

  // Writes the prompt at `p`, which must have `longest` writable bytes; returns its end.
  char* write_at(char* p) const {
    // Two words, each stored whole by advance(): a byte counted up in memory would make these
    // loads wait for the store to land.
    std::memcpy(p, &low_, sizeof low_);
    std::memcpy(p + sizeof low_, &high_, sizeof high_);
    return p + length_;
  }
  void advance() {
    // Nine times in ten only the last digit moves: one add to each word, a zero to one of them.
    if (ones_left_ != 0) {
      --ones_left_;
      low_ += low_one_;
      high_ += high_one_;
      return;
    }
    ones_left_ = 9;
    carry();
  }
  void write_next(ConsoleOutput& out) {
    out.advance_to(write_at(out.room(longest)));
    advance();
  }
  void write_next(ConsoleOutput& out, Position times) {
    assert(times >= 0);
    // Counted in a copy that nothing else can reach: this prompt might, for all the compiler
    // knows, lie under the bytes being written, and would be read back after every store
    // (extendlist 5 % slower so).
    PositionPrompt counting = *this;
    const auto one = [&counting](char* p, std::size_t) {
      p = counting.write_at(p);
      counting.advance();
      return p;
    };
    // One at a time up to a position ending in 0, then whole tens, then the rest: extendlist
    // executes 3.5 % (arm64, NEON) and 4.0 % (x86-64, AVX2) fewer instructions a value than
    // counting every prompt up by itself (under qemu), and takes 2 % less time on a Zen 4.
    const auto count = static_cast<std::size_t>(times);
    const std::size_t first_ones = std::min<std::size_t>(count, (ones_left_ + 1) % 10);
    out.write_pieces(first_ones, longest, one);
    out.write_pieces((count - first_ones) / 10, 10 * longest,
                     [&counting](char* p, std::size_t) { return counting.write_ten(p); });
    out.write_pieces((count - first_ones) % 10, longest, one);
    *this = counting;
  }

 private:
  static constexpr std::string_view closing = "]= ";
  // Writes the prompts of the ten positions from one ending in 0, the last digit added to the
  // words as each is stored, and counts on past them.
  char* write_ten(char* p) {
    assert(ones_left_ == 9);
    for (std::uint64_t digit = 0; digit < 10; ++digit) {
      const std::uint64_t low = low_ + digit * low_one_;
      const std::uint64_t high = high_ + digit * high_one_;
      std::memcpy(p, &low, sizeof low);
      std::memcpy(p + sizeof low, &high, sizeof high);
      p += length_;
    }
    low_ += 9 * low_one_;
    high_ += 9 * high_one_;
    carry();
    return p;
  }
  // The text from its '[', in memory order: bytes 0 to 7, then 8 to 15; returned in registers,
  // not stored through `this`, which would make the prompt's address escape.
  static std::pair<std::uint64_t, std::uint64_t> rendered(Position position);
  // Counts up a position whose last digit is 9, carries and all; only a position with one digit
  // more is rendered afresh. Each word is read and assigned by name, never through a reference, so
  // that a prompt that no call receives can be counted in registers.
  void carry() {
    for (std::size_t digit = length_ - closing.size() - 1;; --digit) {
      const bool in_low = digit < sizeof low_;
      const std::uint64_t word = in_low ? low_ : high_;
      const std::size_t shift = decimal::byte_shift(digit % sizeof low_);
      const bool nine = ((word >> shift) & 0xFF) == '9';
      const std::uint64_t counted =
          nine ? word - (std::uint64_t{'9' - '0'} << shift) : word + (std::uint64_t{1} << shift);
      if (in_low) {
        low_ = counted;
      } else {
        high_ = counted;
      }
      if (!nine) return;
      if (digit == 1) {  // all nines: the next position is a power of ten
        const auto next =
            static_cast<Position>(simd::number_text::length_steps.at(length_ - closing.size() - 1));
        std::tie(low_, high_) = rendered(next);
        length_ = length_of(next);
        find_last_digit();
        return;
      }
    }
  }
  // What adding one to the last digit adds to each word.
  void find_last_digit() {
    const std::size_t digit = length_ - closing.size() - 1;
    const std::uint64_t one = std::uint64_t{1} << decimal::byte_shift(digit % sizeof low_);
    low_one_ = digit < sizeof low_ ? one : 0;
    high_one_ = digit < sizeof low_ ? 0 : one;
  }
  static std::size_t length_of(Position position) {
    return 1 + simd::number_text::decimal_length(static_cast<std::uint32_t>(position)) +
           closing.size();
  }

  std::uint64_t low_ = 0;
  std::uint64_t high_ = 0;
  std::size_t length_;
  unsigned ones_left_ = 0;  // advances before the last digit is 9
  std::uint64_t low_one_ = 0;
  std::uint64_t high_one_ = 0;
};

// A value prompt that is the same text at every position.
class FixedPrompt {
 public:
  explicit FixedPrompt(std::string_view text) : text_(text) {
    if (text.empty() || text.size() > padded_.size()) return;
    std::memcpy(padded_.data(), text.data(), text.size());
    for (; run_bytes_ + text.size() <= run_.size(); run_bytes_ += text.size()) {
      std::memcpy(run_.data() + run_bytes_, text.data(), text.size());
    }
  }
  void write_next(ConsoleOutput& out) const { out.write(text_); }
  // The prompts of a sweep's values come a few dozen at a time: whole runs of copies, then single
  // copies, each one fixed-size move, rather than a measured copy for every doubling
  // (reverselist 3 to 4 % faster on a Zen 4).
  void write_next(ConsoleOutput& out, Position times) const {
    assert(times >= 0);
    const auto count = static_cast<std::size_t>(times);
    if (run_bytes_ == 0) return out.write_repeated(text_, count);
    const std::size_t per_run = run_bytes_ / text_.size();
    out.write_pieces(count / per_run, run_.size(), [this](char* p, std::size_t) {
      std::memcpy(p, run_.data(), run_.size());
      return p + run_bytes_;
    });
    out.write_pieces(count % per_run, padded_.size(), [this](char* p, std::size_t) {
      std::memcpy(p, padded_.data(), padded_.size());
      return p + text_.size();
    });
  }

 private:
  std::string_view text_;
  std::array<char, 16> padded_{};
  std::array<char, 64> run_{};  // as many whole copies of the text as fit
  std::size_t run_bytes_ = 0;
};

}  // namespace number_list
