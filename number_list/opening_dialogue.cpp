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

PositionPrompt::PositionPrompt(Position first) {
  char* const close = text_.data() + close_at;
  std::memcpy(close, closing.data(), closing.size());
  std::array<char, decimal::max_int_length> digits{};
  const char* const digits_end = decimal::write_int(digits.data(), first);
  const auto length = static_cast<std::size_t>(digits_end - digits.data());
  begin_ = close_at - length - 1;
  text_[begin_] = '[';
  std::memcpy(close - length, digits.data(), length);
}

}  // namespace number_list
