// extendlist's dialogue, step by step as the user meets it.
#include "extendlist/extend_and_list.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "number_list/opening_dialogue.hpp"

namespace extendlist {
namespace {

using number_list::Console;
using number_list::NumberList;
using number_list::Position;
using number_list::PositionPrompt;

constexpr std::string_view added_count_request = "How many elements do you want to add: ";

// "[<position>]= <value>" for every position, with nothing between entries.
void list_with_positions(number_list::ConsoleOutput& out, const NumberList& list) {
  PositionPrompt label(0);
  for (const std::int32_t value : list.entered()) {
    label.write_next(out);
    out.write_int(value);
  }
  for (Position position = static_cast<Position>(list.entered().size()); position < list.size();
       ++position) {
    label.write_next(out);
    out.write_int(0);
  }
}

}  // namespace

int extend_and_list(Console& console) {
  std::optional<NumberList> list = number_list::open_number_list(console);
  if (!list) return number_list::report_allocation_failure(console);
  const Position count = list->size();
  PositionPrompt prompt(0);
  number_list::enter_values(console, *list, 0, count, prompt);
  console.out.end_line();

  console.out.write(added_count_request);
  std::int32_t added = 0;
  console.in.read_int(added);
  const std::int64_t total = std::int64_t{count} + added;
  if (!list->resize(total)) return number_list::report_allocation_failure(console);
  // The prompt goes on counting from where the first values ended.
  number_list::enter_values(console, *list, count, list->size(), prompt);

  list_with_positions(console.out, *list);
  console.out.end_line();
  return EXIT_SUCCESS;
}

}  // namespace extendlist
