// reverselist's whole dialogue against the reference model.
#include <cstddef>
#include <cstdint>

#include "dialogue_fuzz.hpp"
#include "reverselist/reverse_list.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::fuzz_dialogue(reverselist::program, test_support::expected_reverselist, data, size);
  return 0;
}
