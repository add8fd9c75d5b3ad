// extendlist: asks for some whole numbers, then for more, and lists them all with their positions.
#include "extendlist/extend_and_list.hpp"
#include "number_list/program.hpp"

int main() {
  return number_list::run_on_standard_streams(extendlist::extend_and_list,
                                              extendlist::program_name);
}
