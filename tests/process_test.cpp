// Both programs as processes meet the operating system: a heap that runs out, a driver that
// answers each prompt only once it is shown, and standard streams that break.
#include <gtest/gtest.h>

#include <csignal>
#include <ostream>
#include <string>

#include "support/child_process.hpp"

namespace {

using test_support::ChildResult;
using test_support::ChildSetup;
using test_support::InputKind;
using test_support::OutputKind;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

struct HeapCase {
  const char* name;
  const char* program;
  const char* input;
  const char* out;
};

void PrintTo(const HeapCase& c, std::ostream* os) { *os << c.name; }

class HeapRunsOut : public testing::TestWithParam<HeapCase> {};

TEST_P(HeapRunsOut, EndsWithTheAllocationFailure) {
  if (sanitized || test_support::wrapped()) {
    GTEST_SKIP() << "a sanitizer or memory checker needs more address space than the limit";
  }
  ChildSetup setup;
  setup.input = GetParam().input;
  setup.address_space = rlim_t{64} << 20;
  const ChildResult result = test_support::run_child(GetParam().program, setup);
  EXPECT_EQ(result.out, GetParam().out);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, HeapRunsOut,
    testing::Values(
        HeapCase{"ExtendlistFirstBlock", EXTENDLIST_PATH, "100000000",
                 "How numbers do you want: Memory allocation failed!"},
        HeapCase{"ExtendlistResize", EXTENDLIST_PATH, "2 5 6 100000000",
                 "How numbers do you want: [0]= [1]= \nHow many elements do you want to add: "
                 "Memory allocation failed!"},
        HeapCase{"ReverselistFirstBlock", REVERSELIST_PATH, "100000000",
                 "How numbers do you want: Memory allocation failed!"}),
    [](const testing::TestParamInfo<HeapCase>& heap_case) {
      return std::string(heap_case.param.name);
    });

// Each prompt must reach a driving program before the answer is asked for, or this would stall.
struct Turn {
  const char* prompt;
  const char* answer;
};

void converse(const char* program, const std::vector<Turn>& turns, const char* listing) {
  test_support::Conversation conversation(program);
  for (const Turn& turn : turns) {
    ASSERT_TRUE(conversation.await(turn.prompt, std::chrono::seconds(20)))
        << "no prompt \"" << turn.prompt << "\" after: " << conversation.seen();
    conversation.answer(turn.answer);
  }
  std::string rest;
  EXPECT_EQ(conversation.finish(rest), 0);
  EXPECT_EQ(rest, listing);
}

TEST(Conversation, ExtendlistShowsEachPromptBeforeWaiting) {
  converse(EXTENDLIST_PATH,
           {{"How numbers do you want: ", "2\n"},
            {"[0]= ", "5\n"},
            {"[1]= ", "-6\n"},
            {"\nHow many elements do you want to add: ", "1\n"},
            {"[2]= ", "7\n"}},
           "[0]= 5[1]= -6[2]= 7\n");
}

TEST(Conversation, ReverselistShowsEachPromptBeforeWaiting) {
  converse(REVERSELIST_PATH,
           {{"How numbers do you want: ", "3\n"},
            {"[i]= ", "1\n"},
            {"[i]= [i]= ", "2\n"},
            {"[i]= [i]= [i]= ", "3\n"}},
           "3 2 1 \n");
}

struct StreamCase {
  const char* name;
  InputKind input_kind;
  OutputKind output_kind;
  bool ignore_sigpipe;
  const char* reason;  // after "<program>: "; empty where SIGPIPE ends the program silently
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

class BrokenStream : public testing::TestWithParam<std::tuple<const char*, StreamCase>> {};

TEST_P(BrokenStream, EndsWithStatusOneAndSaysWhy) {
  const auto& [program, c] = GetParam();
  ChildSetup setup;
  setup.input = "2 5 6 1 7";
  setup.input_kind = c.input_kind;
  setup.output_kind = c.output_kind;
  setup.ignore_sigpipe = c.ignore_sigpipe;
  const ChildResult result = test_support::run_child(program, setup);
  const std::string name = std::string(program).substr(std::string(program).rfind('/') + 1);
  if (*c.reason == '\0') {
    EXPECT_EQ(result.signal, SIGPIPE);
    EXPECT_EQ(result.err, "");
    return;
  }
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, name + ": " + c.reason + "\n");
  if (c.output_kind == OutputKind::captured) {
    EXPECT_EQ(result.out, "How numbers do you want: ") << "written before the read must arrive";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Programs, BrokenStream,
    testing::Combine(
        testing::Values(EXTENDLIST_PATH, REVERSELIST_PATH),
        testing::Values(StreamCase{"FullDisk", InputKind::text, OutputKind::dev_full, false,
                                   "write error: No space left on device"},
                        StreamCase{"ClosedOutput", InputKind::text, OutputKind::closed, false,
                                   "write error: Bad file descriptor"},
                        StreamCase{"BrokenPipeIgnored", InputKind::text, OutputKind::broken_pipe,
                                   true, "write error: Broken pipe"},
                        StreamCase{"BrokenPipe", InputKind::text, OutputKind::broken_pipe, false,
                                   ""},
                        StreamCase{"ClosedInput", InputKind::closed, OutputKind::captured, false,
                                   "read error: Bad file descriptor"},
                        StreamCase{"InputIsADirectory", InputKind::directory, OutputKind::captured,
                                   false, "read error: Is a directory"})),
    [](const testing::TestParamInfo<std::tuple<const char*, StreamCase>>& stream_case) {
      const std::string program = std::get<0>(stream_case.param);
      return program.substr(program.rfind('/') + 1) + std::get<1>(stream_case.param).name;
    });

}  // namespace
