// Fuzzes a whole dialogue in memory: it must never crash or read unset memory (the sanitizers
// watch), and it must write exactly what the reference model says, as far as the output goes
// before a cap that keeps huge counts quick.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "number_list/program.hpp"
#include "support/reference_model.hpp"

#if defined(FUZZ_EXTENDLIST)
#include "extendlist/extend_and_list.hpp"
#define DIALOGUE extendlist::extend_and_list
#define PROGRAM extendlist::program_name
#define EXPECTED test_support::expected_extendlist
#else
#include "reverselist/reverse_list.hpp"
#define DIALOGUE reverselist::reverse_list
#define PROGRAM reverselist::program_name
#define EXPECTED test_support::expected_reverselist
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t output_cap = std::size_t{1} << 20;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  number_list::MemorySource in(text, 4096);
  number_list::StringSink out(output_cap, 28);  // ENOSPC once the cap is reached
  number_list::StringSink errors;
  const int status = number_list::run_dialogue(DIALOGUE, PROGRAM, in, out, errors);

  const test_support::ExpectedRun expected =
      EXPECTED(test_support::reference_reads(text), output_cap);
  if (expected.out.size() > output_cap) {
    // The cap cut the run short: all that came is the expected output's beginning.
    if (status != 1 || out.text() != std::string_view(expected.out).substr(0, output_cap) ||
        errors.text() != std::string(PROGRAM) + ": write error: No space left on device\n") {
      std::abort();
    }
    return 0;
  }
  if (status != expected.status || out.text() != expected.out || !errors.text().empty()) {
    std::abort();
  }
  return 0;
}
