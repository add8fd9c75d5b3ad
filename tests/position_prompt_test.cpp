// The numbered prompt counts its digits up in place: every carry, into a new digit too, must come
// out as the position written afresh would.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "number_list/prompts.hpp"
#include "support/memory_streams.hpp"

namespace {

class PositionPromptCounts : public testing::TestWithParam<std::int32_t> {};

TEST_P(PositionPromptCounts, AsIfEachPositionWereWrittenAfresh) {
  const std::int32_t first = GetParam();
  test_support::StringSink sink;
  {
    number_list::ConsoleOutput out(sink);
    number_list::PositionPrompt prompt(first);
    for (int i = 0; i < 6; ++i) prompt.write_next(out);
    prompt.write_next(out, 6);  // the bulk path used once reads have failed
    out.flush();
  }
  std::string expected;
  for (std::int64_t position = first; position < std::int64_t{first} + 12; ++position) {
    expected += "[" + std::to_string(position) + "]= ";
  }
  EXPECT_EQ(sink.text(), expected);
}

INSTANTIATE_TEST_SUITE_P(Carries, PositionPromptCounts,
                         testing::Values(0, 5, 95, 995, 99994, 1234567889, 999999995, 2147483635));

}  // namespace
