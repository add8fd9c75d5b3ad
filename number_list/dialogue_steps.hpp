// The steps both dialogues share: the count request with the list allocation, the value entry,
// and the message that ends a run when memory can't be had.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "number_list/console.hpp"
#include "number_list/number_list.hpp"
#include "number_list/prompts.hpp"

namespace number_list {

inline constexpr std::string_view count_request = "How numbers do you want: ";
inline constexpr std::string_view allocation_failure = "Memory allocation failed!";

// Asks for the count and obtains a list with room for that many values; nothing when the heap
// can't give it. A count that can't be read is 0.
std::optional<NumberList> open_number_list(Console& console);

// Writes the allocation-failure message (no line end) and returns the exit status it ends with.
int report_allocation_failure(Console& console);

// Reads the values of the positions first <= position < end, each after its prompt. A value that
// can't be read is not stored: the position keeps reading as 0. Numbers the input already holds
// are taken in runs, their prompts written in bulk: no read between them could wait, so the
// output is the same as prompt, read, prompt, read.
template <ValuePrompt Prompt>
void enter_values(Console& console, NumberList& list, Position first, Position end,
                  Prompt& prompt) {
  if (first >= end) return;
  const std::span<std::int32_t> values = list.positions_to_enter(first, end);
  std::size_t entered = 0;
  while (entered < values.size()) {
    const std::size_t run = console.in.read_ready(values.subspan(entered));
    if (run > 0) {
      prompt.write_next(console.out, static_cast<Position>(run));
      entered += run;
      continue;
    }
    prompt.write_next(console.out);
    if (!console.in.read_int(values[entered])) {
      // Every later read fails as this one did: the remaining prompts follow at once.
      prompt.write_next(console.out, static_cast<Position>(values.size() - entered - 1));
      break;
    }
    ++entered;
  }
  list.entered_up_to(first + static_cast<Position>(entered));
}

}  // namespace number_list
