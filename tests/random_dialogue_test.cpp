// Seeded random dialogues: counts of every sign, values across the int32 range in every spelling,
// all six white-space characters, CRLF, junk, out-of-range numbers and input cut off at any byte.
// Each runs through both programs; the expected output comes from the reference model, never from
// the programs.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "extendlist/extend_and_list.hpp"
#include "number_list/program.hpp"
#include "reverselist/reverse_list.hpp"
#include "support/child_process.hpp"
#include "support/each_kernel_set.hpp"
#include "support/memory_streams.hpp"
#include "support/reference_model.hpp"

namespace {

using test_support::ReadOutcome;

// How long the lists run and how often a value is bad (junk, out of range, or spoiled).
struct DialogueShape {
  int most_values = 25;
  double bad_values = 0.09;
};

class DialogueGenerator {
 public:
  explicit DialogueGenerator(std::uint64_t seed, DialogueShape shape = {})
      : random_(seed), shape_(shape) {}

  // The input of one dialogue.
  std::string next() {
    text_.clear();
    first_token_added_ = false;
    if (chance(0.2)) text_ += separator();
    const int count = between(-3, shape_.most_values);
    add(count_token(count));
    for (int i = 0; i < std::max(count, 0); ++i) add(value_token());
    const int added = between(-30, shape_.most_values);
    add(count_token(added));
    for (int i = 0; i < std::max(added, 0); ++i) add(value_token());
    const std::size_t cut =
        chance(0.35) ? static_cast<std::size_t>(between(0, static_cast<int>(text_.size())))
                     : text_.size();
    return text_.substr(0, cut);
  }

 private:
  bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
  int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  template <std::size_t n>
  const char* pick(const std::array<const char*, n>& options) {
    return options[static_cast<std::size_t>(between(0, static_cast<int>(n) - 1))];
  }

  std::string separator() {
    if (chance(0.15)) return "\r\n";
    static constexpr std::array<const char*, 6> spaces = {" ", "\t", "\n", "\v", "\f", "\r"};
    std::string text;
    for (int i = between(1, 3); i > 0; --i) text += pick(spaces);
    return text;
  }

  static std::string digits_of(std::int64_t magnitude) { return std::to_string(magnitude); }

  std::string spelled(std::int64_t value) {
    std::string text = value < 0 ? "-" : chance(0.2) ? "+" : (value == 0 && chance(0.3)) ? "-" : "";
    if (chance(0.2))
      text.append(static_cast<std::size_t>(chance(0.2) ? between(20, 40) : between(1, 3)), '0');
    return text + digits_of(value < 0 ? -value : value);
  }

  std::string junk() {
    static constexpr std::array<const char*, 9> junk = {"x",   "abc", "-",  "+",   "-x",
                                                        "+-3", "--1", ".5", "\x01"};
    return pick(junk);
  }

  std::string out_of_range() {
    // Half of them just past an end of the range, where an off-by-one would show.
    const std::int64_t beyond = chance(0.5)
                                    ? (std::int64_t{1} << 31) + (chance(0.5) ? 0 : between(1, 1000))
                                    : std::uniform_int_distribution<std::int64_t>(
                                          std::int64_t{1} << 31, std::int64_t{1} << 40)(random_);
    return spelled(chance(0.5) ? beyond : -beyond - 1);  // reads as a number only when cut short
  }

  // A number with junk glued on: the number reads, the junk stops the next read.
  std::string spoiled(const std::string& number_text) {
    static constexpr std::array<const char*, 6> tails = {"x", "abc", ".5", "#", "-x", "-"};
    return number_text + pick(tails);
  }

  std::int32_t any_value() {
    static constexpr std::array<std::int32_t, 9> edges = {std::numeric_limits<std::int32_t>::min(),
                                                          std::numeric_limits<std::int32_t>::max(),
                                                          0,
                                                          1,
                                                          -1,
                                                          999999999,
                                                          1000000000,
                                                          -1000000000,
                                                          2147483646};
    const double kind = std::uniform_real_distribution<double>(0, 1)(random_);
    if (kind < 0.3) return between(-20, 20);
    if (kind < 0.5) return edges[static_cast<std::size_t>(between(0, edges.size() - 1))];
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(random_()));
  }

  std::string value_token() {
    const double kind =
        std::uniform_real_distribution<double>(0, 1)(random_) * 0.09 / shape_.bad_values;
    if (kind < 0.04) return junk();
    if (kind < 0.07) return out_of_range();
    if (kind < 0.09) return spoiled(spelled(any_value()));
    return spelled(any_value());
  }

  std::string count_token(int count) {
    const double kind = std::uniform_real_distribution<double>(0, 1)(random_);
    if (kind < 0.05) return junk();
    if (kind < 0.08) return out_of_range();
    return spelled(count);
  }

  void add(const std::string& token) {
    if (first_token_added_) text_ += separator();
    first_token_added_ = true;
    text_ += token;
  }

  std::mt19937_64 random_;
  DialogueShape shape_;
  std::string text_;
  bool first_token_added_ = false;
};

TEST(RandomDialogues, BothProgramsGiveWhatTheTokensMean) {
  // Fewer under a memory checker, which makes every run a hundred times slower.
  const int dialogues = test_support::wrapped() ? 30 : 300;
  DialogueGenerator generator(20261208);
  for (int i = 0; i < dialogues; ++i) {
    const std::string input = generator.next();
    const std::vector<ReadOutcome> reads = test_support::reference_reads(input);
    test_support::ChildSetup setup;
    setup.input = input;
    for (const auto& [program, expected] :
         {std::pair{EXTENDLIST_PATH, test_support::expected_extendlist(reads)},
          std::pair{REVERSELIST_PATH, test_support::expected_reverselist(reads)}}) {
      const test_support::ChildResult run = test_support::run_child(program, setup);
      EXPECT_EQ(run.out, expected.out)
          << program << ", dialogue " << i << ": " << testing::PrintToString(input);
      EXPECT_EQ(run.status, expected.status) << program << ", dialogue " << i;
      EXPECT_EQ(run.err, "");
    }
    if (HasFailure()) break;
  }
}

// One dialogue through both programs in memory, once with every kernel set this machine runs,
// its input arriving in pieces of `piece` bytes.
void expect_every_kernel_set_gives_the_model(const std::string& input, std::size_t piece,
                                             const std::string& name) {
  const std::vector<ReadOutcome> reads = test_support::reference_reads(input);
  test_support::for_each_kernel_set([&](const number_list::simd::Kernels& kernels) {
    for (const auto& [program, expected] :
         {std::pair{&extendlist::program, test_support::expected_extendlist(reads)},
          std::pair{&reverselist::program, test_support::expected_reverselist(reads)}}) {
      test_support::MemorySource in(input, piece);
      test_support::StringSink out;
      test_support::StringSink errors;
      const int status = number_list::run_dialogue(*program, in, out, errors, kernels);
      EXPECT_EQ(out.text(), expected.out) << program->name << ", " << name;
      EXPECT_EQ(status, expected.status) << program->name << ", " << name;
      EXPECT_EQ(errors.text(), "");
    }
  });
}

// The same dialogues in memory, once with every kernel set this machine runs, arriving in pieces
// of every size so that numbers are cut at every place.
TEST(RandomDialogues, EveryKernelSetGivesWhatTheTokensMean) {
  DialogueGenerator generator(20261209);
  const int dialogues = test_support::wrapped() ? 200 : 2000;
  for (int i = 0; i < dialogues && !HasFailure(); ++i) {
    const std::string input = generator.next();
    const std::size_t piece = i % 4 == 0 ? SIZE_MAX : 1 + static_cast<std::size_t>(i) % 61;
    expect_every_kernel_set_gives_the_model(
        input, piece, "dialogue " + std::to_string(i) + ": " + testing::PrintToString(input));
  }
}

// Lists long enough that the reader converts whole windows of numbers straight into them, with a
// bad value now and then, arriving whole and in pieces of a few KiB.
TEST(RandomDialogues, LongListsGiveWhatTheTokensMean) {
  DialogueGenerator generator(20261210, {.most_values = 6000, .bad_values = 0.0002});
  const int dialogues = test_support::wrapped() ? 3 : 24;
  for (int i = 0; i < dialogues && !HasFailure(); ++i) {
    const std::size_t piece = i % 3 == 0 ? SIZE_MAX : 1000 + 997 * static_cast<std::size_t>(i);
    expect_every_kernel_set_gives_the_model(generator.next(), piece,
                                            "long dialogue " + std::to_string(i));
  }
}

}  // namespace
