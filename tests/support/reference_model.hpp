// An independent model of both programs, written plainly from their rules, for tests and fuzzers
// to derive the exact output a given input must give. It shares no code with the programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

// What one "%d" read gives: a value, or nothing when it fails.
using ReadOutcome = std::optional<std::int32_t>;

// The reads a text gives, in order, up to and including the first that fails (every later read
// fails the same way).
std::vector<ReadOutcome> reference_reads(std::string_view text);

// The value of an optional sign and digits, when that is a number in the int32 range.
ReadOutcome reference_number(std::string_view sign_and_digits);

struct ExpectedRun {
  std::string out;
  int status = 0;
};

// The output and status of a run whose reads give `reads` (then failures). Output past
// `max_output` bytes is not worked out.
ExpectedRun expected_extendlist(const std::vector<ReadOutcome>& reads,
                                std::size_t max_output = SIZE_MAX);
ExpectedRun expected_reverselist(const std::vector<ReadOutcome>& reads,
                                 std::size_t max_output = SIZE_MAX);

}  // namespace test_support
