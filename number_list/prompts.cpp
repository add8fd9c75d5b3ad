// The numbered prompt's text, written afresh.
#include "number_list/prompts.hpp"

namespace number_list {

void PositionPrompt::render(Position position) {
  std::array<char, longest> text{};
  text[0] = '[';
  char* const digits_end = decimal::write_int(text.data() + 1, position);
  std::memcpy(digits_end, closing.data(), closing.size());
  length_ = static_cast<std::size_t>(digits_end - text.data()) + closing.size();
  assert(length_ <= longest);
  std::memcpy(&low_, text.data(), sizeof low_);
  std::memcpy(&high_, text.data() + sizeof low_, sizeof high_);
  position_ = position;
}

}  // namespace number_list
