// extendlist: asks for some whole numbers, then for more, and lists them all with their positions.
#include "extendlist/extend_and_list.hpp"
#include "number_list/program.hpp"

int main(int argc, char** argv) { return number_list::run_main(extendlist::program, argc, argv); }
