// reverselist: asks for some whole numbers and writes them back in the reverse order of entry.
#include "number_list/program.hpp"
#include "reverselist/reverse_list.hpp"

int main() {
  return number_list::run_on_standard_streams(reverselist::reverse_list, reverselist::program_name);
}
