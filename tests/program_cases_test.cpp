// Both programs end to end on the cases in cases/: exact standard output and error bytes, and the
// exit status.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "support/child_process.hpp"

namespace {

struct ProgramCase {
  std::string program;
  std::string name;
  std::string input;
  std::string out;
  std::string err;
  int status = 0;
};

std::string test_name_from(const std::string& heading) {
  std::string name;
  bool word_start = true;
  for (const char c : heading) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
      word_start = true;
      continue;
    }
    name += word_start ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    word_start = false;
  }
  return name;
}

std::vector<ProgramCase> load_cases(const std::string& program, const std::string& file) {
  std::vector<ProgramCase> cases;
  std::ifstream lines(file);
  if (!lines) throw std::runtime_error("cannot read " + file);
  for (std::string line; std::getline(lines, line);) {
    const auto field = [&line](std::string_view key) {
      return std::string_view(line).starts_with(key)
                 ? test_support::unescape(std::string_view(line).substr(key.size()))
                 : std::string();
    };
    if (line.starts_with("## ")) {
      cases.push_back({program, test_name_from(line.substr(3)), "", "", "", 0});
    } else if (line.starts_with("stdin:")) {
      cases.back().input = field(line.size() > 6 ? "stdin: " : "stdin:");
    } else if (line.starts_with("stdout: ")) {
      cases.back().out = field("stdout: ");
    } else if (line.starts_with("stderr: ")) {
      cases.back().err = field("stderr: ");
    } else if (line.starts_with("status: ")) {
      cases.back().status = std::stoi(field("status: "));
    }
  }
  return cases;
}

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }

class ProgramCases : public testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramCases, WritesExactlyTheExpectedBytes) {
  const ProgramCase& c = GetParam();
  test_support::ChildSetup setup;
  setup.input = c.input;
  const test_support::ChildResult result = test_support::run_child(c.program, setup);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(result.status, c.status);
}

std::string case_name(const testing::TestParamInfo<ProgramCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Extendlist, ProgramCases,
                         testing::ValuesIn(load_cases(EXTENDLIST_PATH,
                                                      CASES_DIR "/extendlist.txt")),
                         case_name);
INSTANTIATE_TEST_SUITE_P(Reverselist, ProgramCases,
                         testing::ValuesIn(load_cases(REVERSELIST_PATH,
                                                      CASES_DIR "/reverselist.txt")),
                         case_name);

}  // namespace
