// The opening both programs share: the count request, the list allocation, the value entry with
// its prompts, and the message that ends a run when memory can't be had.
#pragma once

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
  explicit PositionPrompt(Position first);  // first >= 0

  void write(ConsoleOutput& out) const {
    char* p = out.room(copied);
    std::memcpy(p, text_.data() + begin_, copied);
    out.advance_to(p + (close_at + closing.size() - begin_));
  }
  void advance();
  void write_next(ConsoleOutput& out) {
    write(out);
    advance();
  }

 private:
  static constexpr std::string_view closing = "]= ";
  static constexpr std::size_t close_at = 12;  // room for '[' and eleven digits before it
  static constexpr std::size_t copied = 16;    // a fixed-size copy, longer than any prompt
  std::array<char, close_at + copied> text_{};
  std::size_t begin_ = close_at;
};

// A value prompt that is the same text at every position.
class FixedPrompt {
 public:
  explicit constexpr FixedPrompt(std::string_view text) : text_(text) {}
  void write_next(ConsoleOutput& out) const { out.write(text_); }

 private:
  std::string_view text_;
};

// Reads the values of the positions first <= position < end, each after its prompt. A value that
// can't be read is not stored: the position keeps reading as 0.
template <class Prompt>
void enter_values(Console& console, NumberList& list, Position first, Position end,
                  Prompt& prompt) {
  for (Position position = first; position < end; ++position) {
    prompt.write_next(console.out);
    std::int32_t value = 0;
    if (console.in.read_int(value)) list.store(position, value);
  }
}

}  // namespace number_list
