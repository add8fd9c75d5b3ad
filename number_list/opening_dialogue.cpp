// The shared opening dialogue.
#include "number_list/opening_dialogue.hpp"

#include <cstdlib>

namespace number_list {

std::optional<NumberList> open_number_list(Console& console) {
  console.out.write(count_request);
  std::int32_t count = 0;
  console.in.read_int(count);
  return NumberList::allocate(count);
}

int report_allocation_failure(Console& console) {
  console.out.write(allocation_failure);
  return EXIT_FAILURE;
}

void PositionPrompt::render(Position position) {
  std::array<char, most> text{};
  text[0] = '[';
  char* const digits_end = decimal::write_int(text.data() + 1, position);
  std::memcpy(digits_end, closing.data(), closing.size());
  length_ = static_cast<std::size_t>(digits_end - text.data()) + closing.size();
  std::memcpy(&low_, text.data(), sizeof low_);
  std::memcpy(&high_, text.data() + sizeof low_, sizeof high_);
  position_ = position;
}

}  // namespace number_list
