// reverselist's dialogue, step by step as the user meets it.
#include "reverselist/reverse_list.hpp"

#include <cstdlib>

#include "number_list/dialogue_steps.hpp"

namespace reverselist {
namespace {

using number_list::NumberList;

// "<value> " from the last position to the first.
void list_in_reverse(number_list::ConsoleOutput& out, const NumberList& list) {
  out.write_repeated("0 ", static_cast<std::size_t>(list.size()) - list.entered().size());
  out.write_spaced_values(list.entered(), number_list::ConsoleOutput::Order::reversed);
}

}  // namespace

int reverse_list(number_list::Console& console) {
  std::optional<NumberList> list = number_list::open_number_list(console);
  if (!list) return number_list::report_allocation_failure(console);
  number_list::FixedPrompt prompt("[i]= ");
  number_list::enter_values(console, *list, 0, list->size(), prompt);
  list_in_reverse(console.out, *list);
  console.out.end_line();
  return EXIT_SUCCESS;
}

}  // namespace reverselist
