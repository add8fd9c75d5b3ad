// Fuzzes a whole dialogue in memory: it must never crash or read unset memory (the sanitizers
// watch), and it must write exactly what the reference model says, as far as the output goes
// before a cap that keeps huge counts quick.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

namespace {

// Lists longer than this are left to the process tests and the benchmark: under AddressSanitizer
// every block costs shadow memory for its whole size, which would make each such run crawl.
bool list_too_long(const std::vector<test_support::ReadOutcome>& reads) {
  constexpr std::int64_t most = std::int64_t{1} << 16;
  const auto read = [&reads](std::int64_t i) -> std::int64_t {
    const auto at = static_cast<std::size_t>(i);
    return at < reads.size() && reads[at] ? *reads[at] : 0;
  };
  const std::int64_t count = read(0);
  return count > most || (count >= 0 && count + read(count + 1) > most);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t output_cap = std::size_t{1} << 16;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<test_support::ReadOutcome> reads = test_support::reference_reads(text);
  if (list_too_long(reads)) return 0;
  number_list::MemorySource in(text, 4096);
  number_list::StringSink out(output_cap, 28);  // ENOSPC once the cap is reached
  number_list::StringSink errors;
  const int status = number_list::run_dialogue(DIALOGUE, PROGRAM, in, out, errors);

  const test_support::ExpectedRun expected = EXPECTED(reads, output_cap);
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
