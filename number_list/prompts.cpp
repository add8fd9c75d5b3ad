// The numbered prompt's text, written afresh.
#include "number_list/prompts.hpp"

#include "number_list/simd/number_text.hpp"

namespace number_list {

void PositionPrompt::render(Position position) {
  std::array<char, longest> text{};
  text[0] = '[';
  std::array<char, simd::slot_size> digits{};
  const std::size_t length = simd::number_text::format_slot(position, digits.data());
  std::memcpy(text.data() + 1, digits.data() + digits.size() - length, length);
  char* const digits_end = text.data() + 1 + length;
  std::memcpy(digits_end, closing.data(), closing.size());
  length_ = static_cast<std::size_t>(digits_end - text.data()) + closing.size();
  assert(length_ <= longest);
  std::memcpy(&low_, text.data(), sizeof low_);
  std::memcpy(&high_, text.data() + sizeof low_, sizeof high_);
  position_ = position;
}

}  // namespace number_list
