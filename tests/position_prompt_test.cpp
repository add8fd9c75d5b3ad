// The numbered prompt counts its digits up in place: every carry, into a new digit too, must come
// out as the position written afresh would.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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
    // In bulk, as after each run of reads: the ones up to a ten, whole tens, the rest.
    prompt.write_next(out, 27);
    prompt.write_next(out, 3);
    out.flush();
  }
  std::string expected;
  for (std::int64_t position = first; position < std::int64_t{first} + 36; ++position) {
    expected += "[" + std::to_string(position) + "]= ";
  }
  EXPECT_EQ(sink.text(), expected);
}

INSTANTIATE_TEST_SUITE_P(Carries, PositionPromptCounts,
                         testing::Values(0, 5, 10, 95, 995, 99994, 1234567889, 999999995, 999999990,
                                         2147483612));

// In bulk the prompts go out in runs between flushes of the buffer, several buffers' worth here:
// the count must carry on across every flush, and after the bulk.
TEST(PositionPrompt, CountsOnAcrossFlushes) {
  constexpr std::int32_t first = 99990;
  constexpr std::int32_t times = 20000;
  test_support::StringSink sink;
  {
    number_list::ConsoleOutput out(sink);
    number_list::PositionPrompt prompt(first);
    prompt.write_next(out, times);
    prompt.write_next(out);
    out.flush();
  }
  std::string expected;
  for (std::int64_t position = first; position <= std::int64_t{first} + times; ++position) {
    expected += "[" + std::to_string(position) + "]= ";
  }
  ASSERT_GT(expected.size(), 2 * number_list::ConsoleOutput::capacity);
  EXPECT_EQ(sink.text(), expected);
}

// The fixed prompt writes whole runs of copies, then single ones, with flushes in between: every
// count must come out as that many copies, whatever the text's length (none included).
TEST(FixedPrompt, WritesEachCountAsThatManyCopies) {
  const std::array<std::string_view, 6> texts = {
      "[i]= ",
      "x",
      "0123456789abcdef",
      "0123456789abcdefg",
      "longer than sixteen bytes, the longest kept ready",
      ""};
  for (const std::string_view text : texts) {
    for (const std::int32_t times : {0, 1, 11, 12, 13, 63, 64, 65, 30001}) {
      test_support::StringSink sink;
      {
        number_list::ConsoleOutput out(sink);
        const number_list::FixedPrompt prompt(text);
        prompt.write_next(out);  // one alone first, so the bulk starts off a run's boundary
        prompt.write_next(out, times);
        prompt.write_next(out);
        out.flush();
      }
      std::string expected;
      for (std::int32_t i = 0; i < times + 2; ++i) expected += text;
      EXPECT_EQ(sink.text(), expected) << '"' << text << "\" " << times << " times";
    }
  }
}

}  // namespace
