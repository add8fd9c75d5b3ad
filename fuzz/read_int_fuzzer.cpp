// Fuzzes the number reader: whatever the bytes and however they arrive, each read must give what
// a plain reference scan of the same bytes gives, up to the first failure, with every kernel set
// this machine runs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "number_list/simd/kernels.hpp"
#include "support/memory_streams.hpp"
#include "support/reference_model.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte says in what pieces the rest arrives, so numbers get cut at every place.
  const std::size_t piece = data[0] == 0 ? SIZE_MAX : data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<test_support::ReadOutcome> expected = test_support::reference_reads(text);

  for (const number_list::simd::Kernels* kernels : number_list::simd::compiled_kernels()) {
    if (!kernels->runs_here()) continue;
    test_support::InMemoryConsole console(text, piece, *kernels);
    for (const test_support::ReadOutcome& read : expected) {
      std::int32_t value = 0;
      const bool ok = console.in().read_int(value);
      if (ok != read.has_value() || (ok && value != *read)) std::abort();
    }
    std::int32_t value = 0;
    if (console.in().read_int(value)) std::abort();  // a failure is for good
  }
  return 0;
}
