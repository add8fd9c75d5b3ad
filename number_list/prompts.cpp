// The numbered prompt's text, written afresh.
#include "number_list/prompts.hpp"

#include "number_list/simd/number_text.hpp"

namespace number_list {

std::pair<std::uint64_t, std::uint64_t> PositionPrompt::rendered(Position position) {
  // Fixed-size copies throughout: a copy of a measured length would be a call into the C library.
  std::array<char, 1 + simd::slot_size + closing.size()> text{};
  text[0] = '[';
  std::array<char, 2 * simd::slot_size> digits{};
  const std::size_t length = simd::number_text::format_slot(position, digits.data());
  std::memcpy(text.data() + 1, digits.data() + simd::slot_size - length, simd::slot_size);
  char* const digits_end = text.data() + 1 + length;
  std::memcpy(digits_end, closing.data(), closing.size());
  assert(static_cast<std::size_t>(digits_end - text.data()) + closing.size() ==
         length_of(position));
  std::pair<std::uint64_t, std::uint64_t> words;
  std::memcpy(&words.first, text.data(), sizeof words.first);
  std::memcpy(&words.second, text.data() + sizeof words.first, sizeof words.second);
  return words;
}

}  // namespace number_list
