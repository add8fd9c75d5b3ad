// extendlist: asks for some whole numbers, then for more, and lists them all with their positions.
#include "extendlist/extend_and_list.hpp"
#include "number_list/program.hpp"

int main(int argc, char** argv) {
  constexpr number_list::ProgramInfo program{
      extendlist::program_name,
      "Ask for some whole numbers, then for more, and list them all with their positions.",
      extendlist::extend_and_list};
  return number_list::run_main(program, argc, argv);
}
