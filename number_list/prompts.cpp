// The numbered prompt's text, written afresh.
#include "number_list/prompts.hpp"

#include "number_list/simd/number_text.hpp"

namespace number_list {

void PositionPrompt::render(Position position) {
  // Fixed-size copies throughout: a copy of a measured length would be a call into the C library,
  // and this runs at every tenth position.
  std::array<char, 1 + simd::slot_size + closing.size()> text{};
  text[0] = '[';
  std::array<char, 2 * simd::slot_size> digits{};
  const std::size_t length = simd::number_text::format_slot(position, digits.data());
  std::memcpy(text.data() + 1, digits.data() + simd::slot_size - length, simd::slot_size);
  char* const digits_end = text.data() + 1 + length;
  std::memcpy(digits_end, closing.data(), closing.size());
  length_ = static_cast<std::size_t>(digits_end - text.data()) + closing.size();
  assert(length_ <= longest);
  std::memcpy(&low_, text.data(), sizeof low_);
  std::memcpy(&high_, text.data() + sizeof low_, sizeof high_);
  position_ = position;
}

}  // namespace number_list
