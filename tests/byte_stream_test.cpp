// The descriptor sink against the ways write() may answer, given a stand-in for write() that
// plays a script of answers.
#include "number_list/byte_stream.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// One answer of write(): bytes taken (up to what was offered), 0, or -errno.
using Answer = long;

struct Script {
  std::vector<Answer> answers;
  std::size_t calls = 0;
  std::string taken;
};
// What the stand-in plays: write() has no room for a context of its own.
Script script;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

ssize_t scripted_write(int /*fd*/, const void* bytes, std::size_t count) {
  // Past its script the stand-in fails, so that a sink that would try for ever stops.
  const Answer answer = script.calls < script.answers.size() ? script.answers[script.calls] : -EIO;
  ++script.calls;
  if (answer < 0) {
    errno = static_cast<int>(-answer);
    return -1;
  }
  const std::size_t n = std::min(count, static_cast<std::size_t>(answer));
  script.taken.append(static_cast<const char*>(bytes), n);
  return static_cast<ssize_t>(n);
}

struct WriteCase {
  const char* name;
  std::vector<Answer> answers;
  int result;         // what write_all() returns
  std::size_t calls;  // how many writes it makes
  std::size_t taken;  // how many bytes were taken
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class FdSinkWrites : public testing::TestWithParam<WriteCase> {};

TEST_P(FdSinkWrites, EveryByteOrTheFirstFailure) {
  const WriteCase& c = GetParam();
  script = Script{c.answers, 0, ""};
  constexpr std::string_view text = "[0]= 5[1]= 6\n";
  number_list::FdSink sink(1, scripted_write);
  EXPECT_EQ(sink.write_all({text.data(), text.size()}), c.result);
  EXPECT_EQ(script.calls, c.calls);
  EXPECT_EQ(script.taken, text.substr(0, c.taken));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FdSinkWrites,
    testing::Values(WriteCase{"AllAtOnce", {100}, 0, 1, 13},
                    WriteCase{"ShortWritesGoOn", {5, 1, 7}, 0, 3, 13},
                    WriteCase{"InterruptedIsTriedAgain", {-EINTR, 100}, 0, 2, 13},
                    WriteCase{"ErrorIsReported", {4, -EIO}, EIO, 2, 4},
                    // No error, nothing written: another try could go on for ever.
                    WriteCase{"NothingWrittenIsAFullDevice", {0}, ENOSPC, 1, 0},
                    WriteCase{"NothingWrittenAfterSome", {6, 0}, ENOSPC, 2, 6}),
    [](const testing::TestParamInfo<WriteCase>& write_case) {
      return std::string(write_case.param.name);
    });

}  // namespace
