// reverselist's whole dialogue against the reference model.
#include <cstddef>
#include <cstdint>

#include "dialogue_fuzz.hpp"
#include "reverselist/reverse_list.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::fuzz_dialogue(reverselist::reverse_list, reverselist::program_name,
                      test_support::expected_reverselist, data, size);
  return 0;
}
