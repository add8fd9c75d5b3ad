// Fuzzes a whole dialogue in memory: it must never crash or read unset memory (the sanitizers
// watch), and it must write exactly what the reference model says, as far as the output goes
// before a cap that keeps huge counts quick. Each program's fuzzer calls fuzz_dialogue().
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "number_list/program.hpp"
#include "number_list/simd/kernels.hpp"
#include "support/memory_streams.hpp"
#include "support/reference_model.hpp"

namespace fuzz {

// What the reference model expects of a program's run, given its reads and an output cap.
using ExpectedOf = test_support::ExpectedRun (*)(const std::vector<test_support::ReadOutcome>&,
                                                 std::size_t);

// Lists longer than this are left to the process tests and the benchmark: under AddressSanitizer
// every block costs shadow memory for its whole size, which would make each such run crawl.
inline bool list_too_long(const std::vector<test_support::ReadOutcome>& reads) {
  constexpr std::int64_t longest_list = std::int64_t{1} << 16;
  const auto read = [&reads](std::int64_t i) -> std::int64_t {
    const auto at = static_cast<std::size_t>(i);
    return at < reads.size() && reads[at] ? *reads[at] : 0;
  };
  const std::int64_t count = read(0);
  return count > longest_list || (count >= 0 && count + read(count + 1) > longest_list);
}

// One run of the dialogue with the given kernels; aborts on any difference from the model.
inline void check_dialogue(const number_list::ProgramInfo& program, std::string_view text,
                           const test_support::ExpectedRun& expected, std::size_t output_cap,
                           const number_list::simd::Kernels& kernels) {
  test_support::MemorySource in(text, 4096);
  test_support::StringSink out(output_cap, ENOSPC);
  test_support::StringSink errors;
  const int status = number_list::run_dialogue(program, in, out, errors, kernels);

  if (expected.out.size() > output_cap) {
    // The cap cut the run short: all that came is the expected output's beginning.
    if (status != 1 || out.text() != std::string_view(expected.out).substr(0, output_cap) ||
        errors.text() != std::string(program.name) + ": write error: No space left on device\n") {
      std::abort();
    }
    return;
  }
  if (status != expected.status || out.text() != expected.out || !errors.text().empty()) {
    std::abort();
  }
}

// The dialogue on the fuzzer's bytes, with every kernel set this machine runs.
inline void fuzz_dialogue(const number_list::ProgramInfo& program, ExpectedOf expected_of,
                          const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t output_cap = std::size_t{1} << 16;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<test_support::ReadOutcome> reads = test_support::reference_reads(text);
  if (list_too_long(reads)) return;
  const test_support::ExpectedRun expected = expected_of(reads, output_cap);
  for (const number_list::simd::Kernels* kernels : number_list::simd::compiled_kernels()) {
    if (kernels->runs_here()) check_dialogue(program, text, expected, output_cap, *kernels);
  }
}

}  // namespace fuzz
