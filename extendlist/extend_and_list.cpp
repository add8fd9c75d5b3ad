// extendlist's dialogue, step by step as the user meets it.
#include "extendlist/extend_and_list.hpp"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "number_list/dialogue_steps.hpp"

namespace extendlist {
namespace {

using number_list::Console;
using number_list::NumberList;
using number_list::Position;
using number_list::PositionPrompt;

constexpr std::string_view added_count_request = "How many elements do you want to add: ";

// "[<position>]= <value>" for every position, with nothing between entries.
void list_with_positions(number_list::ConsoleOutput& out, const NumberList& list) {
  const std::span<const std::int32_t> entered = list.entered();
  // The label lives in the lambda, which write_values holds by value: counted there, nothing else
  // can reach it, so the compiler need not store and reload it for every entry (3 % of the run).
  out.write_values(entered, number_list::ConsoleOutput::Order::as_stored, PositionPrompt::longest,
                   [label = PositionPrompt(0)](char* p, std::size_t) mutable {
                     p = label.write_at(p);
                     label.advance();
                     return p;
                   });
  PositionPrompt label(static_cast<Position>(entered.size()));
  const auto unentered = static_cast<std::size_t>(list.size()) - entered.size();
  out.write_pieces(unentered, PositionPrompt::longest + 1, [&label](char* p, std::size_t) {
    p = label.write_at(p);
    label.advance();
    *p = '0';
    return p + 1;
  });
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
  Position added = 0;
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
