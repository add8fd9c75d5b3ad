// reverselist: asks for some whole numbers and writes them back in the reverse order of entry.
#include "number_list/program.hpp"
#include "reverselist/reverse_list.hpp"

int main(int argc, char** argv) { return number_list::run_main(reverselist::program, argc, argv); }
