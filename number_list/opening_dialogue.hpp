// The opening both programs share: the count request, the list allocation, the value entry with
// its prompts, and the message that ends a run when memory can't be had.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "number_list/console.hpp"
#include "number_list/number_list.hpp"

namespace number_list {

inline constexpr std::string_view count_request = "How numbers do you want: ";
inline constexpr std::string_view allocation_failure = "Memory allocation failed!";

// Asks for the count and obtains a list with room for that many values; nothing when the heap
// can't give it. A count that can't be read is 0.
std::optional<NumberList> open_number_list(Console& console);

// Writes the allocation-failure message (no line end) and returns the exit status it ends with.
int report_allocation_failure(Console& console);

// "[<position>]= " for positions counting up by one. The text is kept ready and its digits are
// counted up in place, so a prompt costs one short copy instead of a conversion.
class PositionPrompt {
 public:
  explicit PositionPrompt(Position first) { render(first); }  // first >= 0

  // The most that write_at() writes.
  static constexpr std::size_t most = 16;

  void write(ConsoleOutput& out) const { out.advance_to(write_at(out.room(most))); }
  char* write_at(char* p) const {
    // Two word stores, each read back from the word that advance() last stored whole, so that
    // no load has to wait for a narrower store to land.
    std::memcpy(p, &low_, sizeof low_);
    std::memcpy(p + sizeof low_, &high_, sizeof high_);
    return p + length_;
  }
  void advance() {
    const std::size_t last_digit = length_ - closing.size() - 1;
    std::uint64_t& word = last_digit < 8 ? low_ : high_;
    const std::size_t shift = decimal::byte_shift(last_digit % 8);
    if (((word >> shift) & 0xFF) == '9') {
      render(position_ + 1);  // a carry: one time in ten
    } else {
      word += std::uint64_t{1} << shift;
      ++position_;
    }
  }
  void write_next(ConsoleOutput& out) {
    write(out);
    advance();
  }
  void write_next(ConsoleOutput& out, std::int64_t times) {
    out.write_pieces(static_cast<std::size_t>(times), most, [this](char* p, std::size_t) {
      p = write_at(p);
      advance();
      return p;
    });
  }

 private:
  static constexpr std::string_view closing = "]= ";
  void render(Position position);

  std::uint64_t low_ = 0;   // the text from its '[', in memory order: bytes 0 to 7
  std::uint64_t high_ = 0;  // bytes 8 to 15
  std::size_t length_ = 0;
  Position position_ = 0;
};

// A value prompt that is the same text at every position.
class FixedPrompt {
 public:
  explicit FixedPrompt(std::string_view text) : text_(text) {
    std::memcpy(padded_.data(), text.data(), std::min(text.size(), padded_.size()));
  }
  void write_next(ConsoleOutput& out) const {
    if (text_.size() > padded_.size()) return out.write(text_);
    char* p = out.room(padded_.size());
    std::memcpy(p, padded_.data(), padded_.size());  // a fixed-size copy is a single move
    out.advance_to(p + text_.size());
  }
  void write_next(ConsoleOutput& out, std::int64_t times) const {
    out.write_repeated(text_, static_cast<std::uint64_t>(times));
  }

 private:
  std::string_view text_;
  std::array<char, 16> padded_{};
};

// Reads the values of the positions first <= position < end, each after its prompt. A value that
// can't be read is not stored: the position keeps reading as 0.
template <class Prompt>
void enter_values(Console& console, NumberList& list, Position first, Position end,
                  Prompt& prompt) {
  if (first >= end) return;
  const std::span<std::int32_t> values = list.positions_to_enter(first, end);
  std::size_t entered = 0;
  for (; entered < values.size(); ++entered) {
    prompt.write_next(console.out);
    if (!console.in.read_int(values[entered])) {
      // Every later read fails as this one did: the remaining prompts follow at once.
      prompt.write_next(console.out, static_cast<std::int64_t>(values.size() - entered - 1));
      break;
    }
  }
  list.entered_up_to(first + static_cast<Position>(entered));
}

}  // namespace number_list
