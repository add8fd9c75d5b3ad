// The steps both dialogues share.
#include "number_list/dialogue_steps.hpp"

#include <cstdlib>

namespace number_list {

std::optional<NumberList> open_number_list(Console& console) {
  console.out.write(count_request);
  Position count = 0;
  console.in.read_int(count);
  return NumberList::allocate(count);
}

int report_allocation_failure(Console& console) {
  console.out.write(allocation_failure);
  return EXIT_FAILURE;
}

}  // namespace number_list
