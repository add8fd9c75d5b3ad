// Whole dialogues in memory: a write that fails at any byte, and a read that fails, end the run
// with status 1 and one line saying why, and nothing written before is lost.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <ostream>
#include <string>

#include "extendlist/extend_and_list.hpp"
#include "number_list/program.hpp"
#include "reverselist/reverse_list.hpp"
#include "support/memory_streams.hpp"

namespace {

using test_support::MemorySource;
using test_support::StringSink;

using number_list::ProgramInfo;

class EveryProgram : public testing::TestWithParam<ProgramInfo> {};

// Large enough that the output passes through more than one full buffer.
std::string long_input() {
  std::string input = "30000";
  for (int i = 0; i < 30000; ++i) input += " " + std::to_string(i * 7919 - 100000);
  return input + " 3 1 2 3";
}

TEST_P(EveryProgram, StopsAtAFailedWriteWithWhatCameBeforeIt) {
  const std::string input = long_input();
  MemorySource whole_in(input);
  StringSink whole_out;
  StringSink no_errors;
  ASSERT_EQ(number_list::run_dialogue(GetParam(), whole_in, whole_out, no_errors), 0);
  const std::string& full = whole_out.text();
  for (const std::size_t limit :
       {std::size_t{0}, std::size_t{1}, std::size_t{25}, std::size_t{65535}, std::size_t{65536},
        std::size_t{200000}, full.size() - 2, full.size() - 1}) {
    MemorySource in(input, 4096);
    StringSink out(limit, ENOSPC);
    StringSink errors;
    EXPECT_EQ(number_list::run_dialogue(GetParam(), in, out, errors), 1);
    EXPECT_EQ(out.text(), full.substr(0, limit)) << "limit " << limit;
    EXPECT_EQ(errors.text(),
              std::string(GetParam().name) + ": write error: No space left on device\n");
  }
}

TEST_P(EveryProgram, StopsAtAFailedReadWithEverythingShownSoFar) {
  MemorySource in("3 1 2 ", SIZE_MAX, EIO);
  StringSink out;
  StringSink errors;
  EXPECT_EQ(number_list::run_dialogue(GetParam(), in, out, errors), 1);
  // Three prompts: the third was shown before the read that failed.
  EXPECT_EQ(out.text(), GetParam().name == "extendlist"
                            ? "How numbers do you want: [0]= [1]= [2]= "
                            : "How numbers do you want: [i]= [i]= [i]= ");
  EXPECT_EQ(errors.text(), std::string(GetParam().name) + ": read error: Input/output error\n");
}

INSTANTIATE_TEST_SUITE_P(Dialogue, EveryProgram,
                         testing::Values(extendlist::program, reverselist::program),
                         [](const testing::TestParamInfo<ProgramInfo>& program) {
                           return std::string(program.param.name);
                         });

}  // namespace

namespace number_list {
// GoogleTest finds it by argument-dependent lookup: test names show the program's name.
void PrintTo(const ProgramInfo& program, std::ostream* os) { *os << program.name; }
}  // namespace number_list
