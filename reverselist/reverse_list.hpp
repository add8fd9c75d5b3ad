// reverselist's dialogue: read a list and write it back in the reverse order of entry.
#pragma once

#include "number_list/console.hpp"
#include "number_list/program.hpp"

namespace reverselist {

// Runs the whole dialogue over `console`; returns the exit status.
int reverse_list(number_list::Console& console);

inline constexpr number_list::ProgramInfo program{
    "reverselist", "Ask for some whole numbers and write them back in the reverse order of entry.",
    reverse_list};

}  // namespace reverselist
