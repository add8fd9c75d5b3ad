// reverselist: asks for some whole numbers and writes them back in the reverse order of entry.
#include "number_list/program.hpp"
#include "reverselist/reverse_list.hpp"

int main(int argc, char** argv) {
  constexpr number_list::ProgramInfo program{
      reverselist::program_name,
      "Ask for some whole numbers and write them back in the reverse order of entry.",
      reverselist::reverse_list};
  return number_list::run_main(program, argc, argv);
}
