// The numbered prompt's text, written afresh.
#include "number_list/prompts.hpp"

#include <charconv>

namespace number_list {

std::pair<std::uint64_t, std::uint64_t> PositionPrompt::rendered(Position position) {
  std::array<char, 2 * sizeof(std::uint64_t)> text{};
  text[0] = '[';
  char* const digits_end = std::to_chars(text.data() + 1, text.data() + text.size(), position).ptr;
  std::memcpy(digits_end, closing.data(), closing.size());
  assert(static_cast<std::size_t>(digits_end - text.data()) + closing.size() ==
         length_of(position));
  std::pair<std::uint64_t, std::uint64_t> words;
  std::memcpy(&words.first, text.data(), sizeof words.first);
  std::memcpy(&words.second, text.data() + sizeof words.first, sizeof words.second);
  return words;
}

}  // namespace number_list
