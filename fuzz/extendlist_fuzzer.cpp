// extendlist's whole dialogue against the reference model.
#include <cstddef>
#include <cstdint>

#include "dialogue_fuzz.hpp"
#include "extendlist/extend_and_list.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::fuzz_dialogue(extendlist::program, test_support::expected_extendlist, data, size);
  return 0;
}
