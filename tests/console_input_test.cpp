// Reading numbers as "%d" does, and the flush before every wait for input.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "number_list/console.hpp"
#include "support/each_kernel_set.hpp"
#include "support/memory_streams.hpp"

namespace {

using number_list::ConsoleInput;
using number_list::ConsoleOutput;
using number_list::simd::Kernels;
using test_support::for_each_kernel_set;
using test_support::InMemoryConsole;
using test_support::StringSink;

struct ReadCase {
  std::string_view input;
  bool ok;
  std::int32_t value;
  std::string_view unread;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << testing::PrintToString(c.input); }

class OneRead : public testing::TestWithParam<ReadCase> {};

TEST_P(OneRead, TakesTheNumberOrLeavesWhatStoppedIt) {
  const ReadCase& c = GetParam();
  for_each_kernel_set([&c](const Kernels& kernels) {
    InMemoryConsole console(c.input, SIZE_MAX, kernels);
    std::int32_t value = -99;
    EXPECT_EQ(console.in().read_int(value), c.ok);
    EXPECT_EQ(value, c.ok ? c.value : -99) << "a failed read leaves its target alone";
    EXPECT_EQ(console.in().unread(), c.unread);
  });
}

INSTANTIATE_TEST_SUITE_P(
    ReadInt, OneRead,
    testing::Values(
        ReadCase{"42", true, 42, ""}, ReadCase{"  7 8", true, 7, " 8"},
        ReadCase{"\t\n\v\f\r 5\n", true, 5, "\n"}, ReadCase{"-13x", true, -13, "x"},
        ReadCase{"+9", true, 9, ""}, ReadCase{"007", true, 7, ""}, ReadCase{"-0", true, 0, ""},
        ReadCase{"0000000000000000000000000000000000000042 ", true, 42, " "},
        ReadCase{"2147483647", true, 2147483647, ""}, ReadCase{"-2147483648", true, INT32_MIN, ""},
        ReadCase{"1234567890", true, 1234567890, ""},
        ReadCase{"123456789.5", true, 123456789, ".5"}, ReadCase{"99999999 ", true, 99999999, " "},
        ReadCase{"2147483648", false, 0, "2147483648"},
        ReadCase{"-2147483649", false, 0, "-2147483649"},
        ReadCase{"99999999999", false, 0, "99999999999"},
        ReadCase{"00000000004294967296", false, 0, "00000000004294967296"},
        ReadCase{"", false, 0, ""}, ReadCase{"   ", false, 0, ""}, ReadCase{"abc", false, 0, "abc"},
        ReadCase{"  -x", false, 0, "-x"}, ReadCase{"- 5", false, 0, "- 5"},
        ReadCase{"+", false, 0, "+"}, ReadCase{"--5", false, 0, "--5"},
        ReadCase{"0x10", true, 0, "x10"},
        ReadCase{std::string_view("\0 1", 3), false, 0, std::string_view("\0 1", 3)}));

std::vector<std::string> read_all(std::string_view text, std::size_t piece,
                                  const Kernels& kernels) {
  InMemoryConsole console(text, piece, kernels);
  std::vector<std::string> reads;
  for (int i = 0; i < 8; ++i) {
    std::int32_t value = 0;
    reads.push_back(console.in().read_int(value) ? std::to_string(value) : "failed");
  }
  return reads;
}

// A number cut anywhere by the way input arrives (a pipe, a slow typist) reads the same.
TEST(ReadInt, GivesTheSameValuesHoweverTheInputArrives) {
  const std::string text = " 12 -2147483648\r\n0007 +5 2147483647 -0 99x";
  for_each_kernel_set([&text](const Kernels& kernels) {
    const std::vector<std::string> whole = read_all(text, text.size(), kernels);
    EXPECT_EQ(whole, (std::vector<std::string>{"12", "-2147483648", "7", "5", "2147483647", "0",
                                               "99", "failed"}));
    for (std::size_t piece = 1; piece < text.size(); ++piece) {
      EXPECT_EQ(read_all(text, piece, kernels), whole) << "pieces of " << piece << " bytes";
    }
  });
}

// A number may be longer than the whole input buffer when it has enough leading zeros. A long run
// of leading zeros that crosses a refill is kept shorter: it reads the same.
TEST(ReadInt, ReadsNumbersLongerThanItsBuffer) {
  const std::string zeros(3 * ConsoleInput::capacity, '0');
  for_each_kernel_set([&zeros](const Kernels& kernels) {
    const std::string text = "-" + zeros + "17 5";
    InMemoryConsole console(text, 1000, kernels);
    std::int32_t value = 0;
    EXPECT_TRUE(console.in().read_int(value));
    EXPECT_EQ(value, -17);
    EXPECT_EQ(console.in().unread(), " 5");
    EXPECT_TRUE(console.in().read_int(value));
    EXPECT_EQ(value, 5) << "the number after a long one reads as usual";
    EXPECT_FALSE(console.in().read_int(value));
  });
  for_each_kernel_set([&zeros](const Kernels& kernels) {
    const std::string text = zeros + "2147483648 5";
    InMemoryConsole console(text, 1000, kernels);
    std::int32_t value = 123;
    EXPECT_FALSE(console.in().read_int(value));
    EXPECT_EQ(value, 123) << "a failed read leaves its target alone";
    // The number that failed stays unread, with as many of its leading zeros as are buffered.
    const std::string_view unread = console.in().unread();
    EXPECT_TRUE(unread.ends_with("2147483648 5")) << unread;
    EXPECT_EQ(unread.find_first_not_of('0'),
              unread.size() - std::string_view("2147483648 5").size())
        << unread;
    EXPECT_FALSE(console.in().read_int(value)) << "and so the next read fails too";
    EXPECT_EQ(value, 123);
  });
}

TEST(ReadInt, FailsForGoodOnceAReadFails) {
  for_each_kernel_set([](const Kernels& kernels) {
    InMemoryConsole console("1 x 2 3", SIZE_MAX, kernels);
    std::int32_t value = 0;
    EXPECT_TRUE(console.in().read_int(value));
    EXPECT_EQ(value, 1);
    for (int attempt = 0; attempt < 3; ++attempt) {
      value = 77;
      EXPECT_FALSE(console.in().read_int(value));
      EXPECT_EQ(value, 77) << "a failed read stores nothing";
      EXPECT_EQ(console.in().unread(), "x 2 3") << "only the white space before the x is taken";
    }
    EXPECT_TRUE(console.in().failed());
  });
}

// The prompt must be out before the program waits, whatever kind of stream answers it.
class RecordingSource final : public number_list::ByteSource {
 public:
  RecordingSource(std::vector<std::string> answers, const StringSink& shown)
      : answers_(std::move(answers)), shown_(shown) {}
  number_list::ReadResult read_some(std::span<char> into) override {
    shown_at_each_wait.push_back(shown_.text());
    if (next_ == answers_.size()) return {0, 0};
    const std::string& answer = answers_[next_++];
    std::copy(answer.begin(), answer.end(), into.begin());
    return {answer.size(), 0};
  }
  std::vector<std::string> shown_at_each_wait;

 private:
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
  const StringSink& shown_;
};

TEST(ReadInt, ShowsEverythingWrittenBeforeWaiting) {
  StringSink sink;
  RecordingSource source({"3\n", "4 5\n"}, sink);
  ConsoleOutput output(sink);
  ConsoleInput input(source, output);
  std::int32_t value = 0;
  output.write("first? ");
  EXPECT_TRUE(input.read_int(value));
  output.write("second? ");
  EXPECT_TRUE(input.read_int(value));
  output.write("third? ");
  EXPECT_TRUE(input.read_int(value));  // already typed: no wait, no flush
  output.write("fourth? ");
  EXPECT_FALSE(input.read_int(value));
  EXPECT_EQ(
      source.shown_at_each_wait,
      (std::vector<std::string>{"first? ", "first? second? ", "first? second? third? fourth? "}));
}

TEST(ReadInt, ReportsABrokenSource) {
  test_support::MemorySource source("12 ", SIZE_MAX, EIO);
  StringSink sink;
  ConsoleOutput output(sink);
  ConsoleInput input(source, output);
  std::int32_t value = 0;
  EXPECT_TRUE(input.read_int(value));
  try {
    input.read_int(value);
    FAIL() << "a read error must not pass for the end of input";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::errc::io_error);
    EXPECT_STREQ(error.what(), "read error: Input/output error");
  }
}

// The numbers a window of buffered input holds ready, found without a stream: up to the first
// that needs more care than the kernels give, or more input than is buffered.
struct ReadyCase {
  std::string text;
  bool ended;
  std::vector<std::int32_t> ready;
};

void PrintTo(const ReadyCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.text.substr(0, 40)) << (c.ended ? ", ended" : "");
}

class ReadyInBuffer : public testing::TestWithParam<ReadyCase> {};

TEST_P(ReadyInBuffer, UpToWhatTheKernelsLeave) {
  const ReadyCase& c = GetParam();
  namespace simd = number_list::simd;
  // The input as the console holds it: readable zeros before it and a block after its NUL.
  std::string buffer(simd::convert_window, '\0');
  buffer += c.text;
  buffer.append(1 + simd::block_size + 16, '\0');
  const char* const base = buffer.data() + simd::convert_window;
  for_each_kernel_set([&](const Kernels& kernels) {
    number_list::ReadyNumbers numbers;
    ASSERT_EQ(numbers.find(kernels, base, base, base + c.text.size(), c.ended), c.ready.size());
    std::vector<std::int32_t> taken(c.ready.size());
    std::uint32_t end = 0;
    for (std::size_t i = 0; i < taken.size(); i += 2) {
      end = numbers.take(taken.data() + i, std::min<std::size_t>(2, taken.size() - i));
    }
    EXPECT_EQ(taken, c.ready);
    EXPECT_EQ(numbers.ready(), 0U);
    if (!taken.empty()) {
      const std::string last = std::to_string(taken.back());
      EXPECT_EQ(c.text.substr(0, end).ends_with(last.substr(last.front() == '-')), true);
    }
    // Converted straight into place instead: the same numbers and end, nothing written past them.
    constexpr std::int32_t untouched = 0x5A5A5A5A;
    std::vector<std::int32_t> into(number_list::ReadyNumbers::most_found, untouched);
    const number_list::ReadyNumbers::Taken direct =
        numbers.find_and_take(kernels, base, base, base + c.text.size(), c.ended, into.data());
    EXPECT_EQ(direct.count, c.ready.size());
    EXPECT_EQ(direct.end, taken.empty() ? 0 : end);
    into.resize(std::max(direct.count, c.ready.size()) + 1, untouched);
    EXPECT_TRUE(std::equal(c.ready.begin(), c.ready.end(), into.begin()));
    EXPECT_EQ(into[c.ready.size()], untouched);
    EXPECT_EQ(numbers.ready(), 0U);
  });
}

std::string repeated(std::string_view text, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

// Reads as the value entry does, a run of ready numbers at a time and one number when none is
// ready, into room for `room` values; "failed" where a read fails.
std::vector<std::string> read_in_runs(std::string_view text, std::size_t piece, std::size_t room,
                                      const Kernels& kernels) {
  InMemoryConsole console(text, piece, kernels);
  std::vector<std::int32_t> values(room);
  std::vector<std::string> reads;
  std::size_t entered = 0;
  while (entered < room) {
    const std::size_t run = console.in().read_ready(std::span(values).subspan(entered));
    for (std::size_t i = entered; i < entered + run; ++i) {
      reads.push_back(std::to_string(values[i]));
    }
    entered += run;
    if (run > 0 || entered == room) continue;
    if (!console.in().read_int(values[entered])) {
      reads.emplace_back("failed");
      break;
    }
    reads.push_back(std::to_string(values[entered++]));
  }
  return reads;
}

// Runs of ready numbers, taken through the window's own values or straight into room for a whole
// window, read as one read at a time would: across refills, past numbers the kernels leave to the
// slow reader, up to the read that fails.
TEST(ReadReady, TakesWhatOneReadAtATimeWould) {
  const std::string text = repeated("-123456789 42\t", 1500) + "00000000000000000077 " +
                           repeated("7 ", 700) + repeated("-2147483648 ", 300) + "2147483648 5";
  for_each_kernel_set([&text](const Kernels& kernels) {
    const std::size_t most = number_list::ReadyNumbers::most_found;
    std::vector<std::string> expected;
    InMemoryConsole one_by_one(text, SIZE_MAX, kernels);
    for (std::int32_t value = 0; one_by_one.in().read_int(value);) {
      expected.push_back(std::to_string(value));
    }
    expected.emplace_back("failed");
    ASSERT_EQ(expected.size(), 3000 + 1 + 700 + 300 + 1);
    for (const std::size_t piece : {std::size_t{1000}, std::size_t{65536}, SIZE_MAX}) {
      for (const std::size_t room : {most - 1, most, 3 * most}) {
        std::vector<std::string> reads = read_in_runs(text, piece, room, kernels);
        std::vector<std::string> wanted = expected;
        if (wanted.size() > room) wanted.resize(room);
        EXPECT_EQ(reads, wanted) << "pieces of " << piece << ", room for " << room;
      }
    }
  });
}

INSTANTIATE_TEST_SUITE_P(
    ReadyNumbers, ReadyInBuffer,
    testing::Values(ReadyCase{"12 -5 +7 x 9", false, {12, -5, 7}}, ReadyCase{"12 34", false, {12}},
                    ReadyCase{"12 34", true, {12, 34}}, ReadyCase{" \t\n\v\f\r8 ", false, {8}},
                    ReadyCase{"1 2 99999999999999 3", true, {1, 2}},
                    ReadyCase{"1 -2147483648 2147483648 3", true, {1, INT32_MIN}},
                    ReadyCase{"- 5", true, {}}, ReadyCase{"", true, {}},
                    // A window's worth: the number after it waits for the next find.
                    ReadyCase{
                        repeated("1 ", number_list::ReadyNumbers::window / 2 + 100), false,
                        std::vector<std::int32_t>(number_list::ReadyNumbers::window / 2, 1)}));

}  // namespace
