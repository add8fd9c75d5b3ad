// extendlist's dialogue: read a list, enlarge it, read the added values, list every value with
// its position.
#pragma once

#include "number_list/console.hpp"
#include "number_list/program.hpp"

namespace extendlist {

// Runs the whole dialogue over `console`; returns the exit status.
int extend_and_list(number_list::Console& console);

inline constexpr number_list::ProgramInfo program{
    "extendlist",
    "Ask for some whole numbers, then for more, and list them all with their positions.",
    extend_and_list};

}  // namespace extendlist
