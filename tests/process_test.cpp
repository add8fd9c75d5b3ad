// Both programs as processes meet the operating system: a heap that runs out, a driver that
// answers each prompt only once it is shown, and standard streams that break.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "support/child_process.hpp"
#include "support/reference_model.hpp"

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

// How memory runs out: an address-space limit that the heap meets, or (where std::size_t is 32
// bits) a byte size that would wrap to a small block that the value entry writes past, or to a
// 0-byte realloc that frees the list.
enum class Shortage { address_space, size_beyond_32_bits };

struct HeapCase {
  const char* name;
  Shortage shortage;
  const char* program;
  const char* input;
  const char* out;
};

void PrintTo(const HeapCase& c, std::ostream* os) { *os << c.name; }

class HeapRunsOut : public testing::TestWithParam<HeapCase> {};

TEST_P(HeapRunsOut, EndsWithTheAllocationFailure) {
  const HeapCase& c = GetParam();
  ChildSetup setup;
  setup.input = c.input;
  if (c.shortage == Shortage::address_space) {
    if (sanitized || test_support::wrapped()) {
      GTEST_SKIP() << "a sanitizer or memory checker needs more address space than the limit";
    }
    if (test_support::emulated()) {
      GTEST_SKIP() << "qemu-user reserves more address space than the limit for itself";
    }
    setup.address_space = rlim_t{64} << 20;
  } else if (sizeof(std::size_t) > 4) {
    GTEST_SKIP() << "64-bit std::size_t: these counts are ordinary lists here";
  }
  const ChildResult result = test_support::run_child(c.program, setup);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 1);
}

constexpr const char* failed_at_once = "How numbers do you want: Memory allocation failed!";

INSTANTIATE_TEST_SUITE_P(
    Programs, HeapRunsOut,
    testing::Values(
        HeapCase{"ExtendlistFirstBlock", Shortage::address_space, EXTENDLIST_PATH, "100000000",
                 failed_at_once},
        HeapCase{"ExtendlistResize", Shortage::address_space, EXTENDLIST_PATH, "2 5 6 100000000",
                 "How numbers do you want: [0]= [1]= \nHow many elements do you want to add: "
                 "Memory allocation failed!"},
        HeapCase{"ReverselistFirstBlock", Shortage::address_space, REVERSELIST_PATH, "100000000",
                 failed_at_once},
        HeapCase{"ReverselistWrapsToFourBytes", Shortage::size_beyond_32_bits, REVERSELIST_PATH,
                 "1073741825 1 2 3 4 5", failed_at_once},
        HeapCase{"ExtendlistGrowsFromNothing", Shortage::size_beyond_32_bits, EXTENDLIST_PATH,
                 "0 1073741824 1 2 3",
                 "How numbers do you want: \nHow many elements do you want to add: "
                 "Memory allocation failed!"},
        HeapCase{"ExtendlistResizeWrapsToZero", Shortage::size_beyond_32_bits, EXTENDLIST_PATH,
                 "1 5 1073741823",
                 "How numbers do you want: [0]= \nHow many elements do you want to add: "
                 "Memory allocation failed!"}),
    [](const testing::TestParamInfo<HeapCase>& heap_case) {
      return std::string(heap_case.param.name);
    });

// A list long enough to be a mapping of its own, then an added count that takes the total past
// the int32 range: the resize fails, as it does for a short list, rather than mapping 8 GiB and
// wrapping the list's size. The added count is read only after the values, which may be any.
class LongListResize : public testing::TestWithParam<std::int64_t> {};

TEST_P(LongListResize, PastTheInt32RangeFailsAfterTheAddedCountPrompt) {
  constexpr std::int64_t count = 300000;
  std::string input = std::to_string(count);
  for (std::int64_t i = 0; i < count; ++i) input += " 7";
  input += " " + std::to_string(GetParam() - count);
  const test_support::ExpectedRun expected =
      test_support::expected_extendlist(test_support::reference_reads(input));
  ASSERT_EQ(expected.status, 1) << "the model takes this total for a failure";
  ChildSetup setup;
  setup.input = input;
  const ChildResult result = test_support::run_child(EXTENDLIST_PATH, setup);
  // Compared whole, shown by its end: the 300,000 prompts before it are the same in every run.
  const auto tail = [](const std::string& out) {
    return out.substr(out.size() - std::min<std::size_t>(out.size(), 80));
  };
  EXPECT_TRUE(result.out == expected.out)
      << "ends: " << tail(result.out) << "\nnot: " << tail(expected.out);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 1);
}

INSTANTIATE_TEST_SUITE_P(Totals, LongListResize,
                         testing::Values(std::int64_t{1} << 31, (std::int64_t{1} << 31) + 1));

// A parent may leave a standard stream's open file description non-blocking. The programs wait
// for it rather than fail, and leave its flags as they found them, since the parent shares them.
struct Pipe {
  Pipe() {
    std::array<int, 2> ends{};
    if (::pipe2(ends.data(), O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    read_end = ends[0];
    write_end = ends[1];
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  Pipe(Pipe&&) = delete;
  Pipe& operator=(Pipe&&) = delete;
  ~Pipe() {
    close_read();
    close_write();
  }
  void close_read() { read_end = close_end(read_end); }
  void close_write() { write_end = close_end(write_end); }
  static int close_end(int fd) {
    if (fd >= 0) ::close(fd);
    return -1;
  }
  int read_end = -1;
  int write_end = -1;
};

void make_nonblocking(int fd) {
  ASSERT_EQ(::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK), 0);
}

bool nonblocking(int fd) { return (::fcntl(fd, F_GETFL) & O_NONBLOCK) != 0; }

TEST(NonBlocking, InputWaitsForAnswersThatArriveLate) {
  Pipe input;
  Pipe output;
  Pipe errors;
  make_nonblocking(input.read_end);
  const int pid = test_support::start_child(REVERSELIST_PATH, input.read_end, output.write_end,
                                            errors.write_end);
  output.close_write();
  errors.close_write();
  for (const std::string_view answer : {"3\n", "1 2\n", "3\n"}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(::write(input.write_end, answer.data(), answer.size()),
              static_cast<ssize_t>(answer.size()));
  }
  input.close_write();
  ChildResult result;
  test_support::collect_output(output.read_end, errors.read_end, result, std::chrono::seconds(60));
  output.read_end = errors.read_end = -1;  // closed by collect_output
  test_support::wait_for(pid, result);
  EXPECT_EQ(result.out, "How numbers do you want: [i]= [i]= [i]= 3 2 1 \n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(nonblocking(input.read_end)) << "the shared flags must be left as they were";
}

// Reads `fd` a little at a time, with pauses, until `pid` has ended and nothing is left.
std::string drain_slowly(int fd, int pid, ChildResult& result) {
  std::string text;
  std::array<char, 16384> buffer{};
  for (bool ended = false;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got > 0) {
      text.append(buffer.data(), static_cast<std::size_t>(got));
    } else if (ended) {
      return text;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!ended) {
      int status = 0;
      ended = ::waitpid(pid, &status, WNOHANG) == pid;
      if (ended) result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
}

TEST(NonBlocking, OutputWaitsForASlowReader) {
  constexpr int count = 160000;  // a listing of about 2 MB
  std::string input = std::to_string(count);
  std::string expected = "How numbers do you want: ";
  for (int i = 0; i < count; ++i) {
    input += " " + std::to_string(1000000 + i);
    expected += "[i]= ";
  }
  for (int i = count - 1; i >= 0; --i) expected += std::to_string(1000000 + i) + " ";
  expected += "\n";
  const int in = ::memfd_create("stdin", MFD_CLOEXEC);
  ASSERT_GE(in, 0);
  ASSERT_EQ(::write(in, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  ASSERT_EQ(::lseek(in, 0, SEEK_SET), 0);
  Pipe output;
  Pipe errors;
  make_nonblocking(output.write_end);
  make_nonblocking(output.read_end);  // the test's own end, so that draining never waits
  const int pid =
      test_support::start_child(REVERSELIST_PATH, in, output.write_end, errors.write_end);
  ::close(in);
  errors.close_write();
  ChildResult result;
  const std::string out = drain_slowly(output.read_end, pid, result);
  test_support::collect_output(-1, errors.read_end, result, std::chrono::seconds(10));
  errors.read_end = -1;
  EXPECT_EQ(out.size(), expected.size());
  EXPECT_TRUE(out == expected) << "the listing differs from what was entered";
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
  EXPECT_TRUE(nonblocking(output.write_end)) << "the shared flags must be left as they were";
}

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
