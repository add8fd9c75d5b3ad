// The command line both programs take: --help, --version, and nothing else.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/child_process.hpp"

namespace {

using test_support::OutputKind;

// Expected texts spell the program's name as NAME.
struct ArgumentCase {
  const char* label;
  std::vector<std::string> arguments;
  OutputKind output = OutputKind::captured;
  std::string out_starts;  // the whole output unless `out_continues`
  bool out_continues = false;
  std::string err;
  int status = 0;
  std::vector<std::string> out_contains;
};

void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << c.label; }

std::string named(std::string text, const std::string& name) {
  for (std::size_t at = text.find("NAME"); at != std::string::npos; at = text.find("NAME", at)) {
    text.replace(at, 4, name);
  }
  return text;
}

// An argument the program does not take: two lines on standard error, status 2, no output.
ArgumentCase refused(const char* label, std::vector<std::string> arguments,
                     const std::string& unexpected) {
  return {
      label,
      std::move(arguments),
      OutputKind::captured,
      "",
      false,
      "NAME: unexpected argument '" + unexpected + "'\nTry 'NAME --help' for more information.\n",
      2,
      {}};
}

const std::vector<ArgumentCase> argument_cases = {
    {"Help",
     {"--help"},
     OutputKind::captured,
     "Usage: NAME [--help | --version]\n",
     true,
     "",
     0,
     {"standard input", "--version", "man NAME\n"}},
    {"Version",
     {"--version"},
     OutputKind::captured,
     "NAME (numberlist) " NUMBERLIST_VERSION "\nLicense: MIT (Expat);",
     true,
     "",
     0,
     {}},
    {"HelpToAFullDisk",
     {"--help"},
     OutputKind::dev_full,
     "",
     false,
     "NAME: write error: No space left on device\n",
     1,
     {}},
    refused("UnknownOption", {"--verbose"}, "--verbose"),
    refused("ShortOption", {"-h"}, "-h"),
    refused("Operand", {"numbers.txt"}, "numbers.txt"),
    refused("EmptyArgument", {""}, ""),
    refused("OptionThenMore", {"--help", "extra"}, "extra"),
    refused("BothOptions", {"--version", "--help"}, "--help"),
};

class CommandLine : public testing::TestWithParam<std::tuple<std::string, ArgumentCase>> {};

TEST_P(CommandLine, AnswersOrRefusesWithoutStartingTheDialogue) {
  const auto& [program, c] = GetParam();
  const std::string name = program.substr(program.rfind('/') + 1);
  test_support::ChildSetup setup;
  setup.arguments = c.arguments;
  setup.input = "3 1 2 3\n";  // what a dialogue would read: it must not start
  setup.output_kind = c.output;
  const test_support::ChildResult result = test_support::run_child(program, setup);
  const std::string expected_out = named(c.out_starts, name);
  if (c.out_continues) {
    EXPECT_TRUE(result.out.starts_with(expected_out)) << result.out;
    EXPECT_TRUE(result.out.ends_with("\n")) << result.out;
  } else {
    EXPECT_EQ(result.out, expected_out);
  }
  for (const std::string& part : c.out_contains) {
    EXPECT_NE(result.out.find(named(part, name)), std::string::npos) << result.out;
  }
  EXPECT_EQ(result.err, named(c.err, name));
  EXPECT_EQ(result.status, c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, CommandLine,
    testing::Combine(testing::Values(EXTENDLIST_PATH, REVERSELIST_PATH),
                     testing::ValuesIn(argument_cases)),
    [](const testing::TestParamInfo<std::tuple<std::string, ArgumentCase>>& argument_case) {
      const std::string& program = std::get<0>(argument_case.param);
      return program.substr(program.rfind('/') + 1) + std::get<1>(argument_case.param).label;
    });

}  // namespace
