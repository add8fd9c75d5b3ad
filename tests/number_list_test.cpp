// The number list: what survives a resize, and what positions nobody entered read as.
#include "number_list/number_list.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "support/child_process.hpp"

namespace {

using number_list::NumberList;

std::vector<std::int32_t> contents(const NumberList& list) {
  std::vector<std::int32_t> values(list.entered().begin(), list.entered().end());
  values.resize(static_cast<std::size_t>(list.size()), 0);
  return values;
}

NumberList list_of(std::int32_t size, std::int32_t entered) {
  std::optional<NumberList> list = NumberList::allocate(size);
  EXPECT_TRUE(list.has_value());
  const std::span<std::int32_t> values = list->positions_to_enter(0, entered);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = 10 * static_cast<std::int32_t>(i + 1);
  list->entered_up_to(entered);
  return std::move(*list);
}

TEST(NumberList, RefusesNegativeCountsAndGivesAnEmptyListForZero) {
  EXPECT_FALSE(NumberList::allocate(-1).has_value());
  EXPECT_FALSE(NumberList::allocate(std::numeric_limits<std::int32_t>::min()).has_value());
  const std::optional<NumberList> empty = NumberList::allocate(0);
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->size(), 0);
}

struct ResizeCase {
  std::int32_t size;
  std::int32_t entered;
  std::int64_t total;
  std::vector<std::int32_t> after;
};

void PrintTo(const ResizeCase& c, std::ostream* os) {
  *os << c.size << " values, " << c.entered << " entered, resized to " << c.total;
}

class Resize : public testing::TestWithParam<ResizeCase> {};

TEST_P(Resize, KeepsTheValuesBelowBothSizes) {
  const ResizeCase& c = GetParam();
  NumberList list = list_of(c.size, c.entered);
  ASSERT_TRUE(list.resize(c.total));
  EXPECT_EQ(contents(list), c.after);
}

INSTANTIATE_TEST_SUITE_P(NumberList, Resize,
                         testing::Values(ResizeCase{2, 2, 4, {10, 20, 0, 0}},
                                         ResizeCase{3, 3, 2, {10, 20}},
                                         ResizeCase{3, 1, 3, {10, 0, 0}},
                                         ResizeCase{0, 0, 2, {0, 0}}, ResizeCase{3, 3, 0, {}},
                                         ResizeCase{3, 3, -5, {}}));

// Long lists, which take whole huge pages: one that at least doubles moves to a fresh block, one
// that grows less or shrinks is resized in place. Either way what was entered stays.
struct LongResizeCase {
  std::int32_t size;
  std::int32_t entered;
  std::int64_t total;
};

void PrintTo(const LongResizeCase& c, std::ostream* os) {
  *os << c.size << " values, " << c.entered << " entered, resized to " << c.total;
}

class LongResize : public testing::TestWithParam<LongResizeCase> {};

TEST_P(LongResize, KeepsTheEnteredValues) {
  const LongResizeCase& c = GetParam();
  NumberList list = list_of(c.size, c.entered);
  ASSERT_TRUE(list.resize(c.total));
  std::vector<std::int32_t> expected(static_cast<std::size_t>(c.total), 0);
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::min<std::int64_t>(c.entered, c.total));
       ++i) {
    expected[i] = 10 * static_cast<std::int32_t>(i + 1);
  }
  EXPECT_EQ(contents(list), expected);
}

INSTANTIATE_TEST_SUITE_P(NumberList, LongResize,
                         testing::Values(LongResizeCase{300'000, 300'000, 600'000},
                                         LongResizeCase{300'000, 123'457, 1'000'001},
                                         LongResizeCase{1000, 1000, 700'000},
                                         LongResizeCase{600'000, 600'000, 700'000},
                                         LongResizeCase{700'000, 650'000, 300'000},
                                         LongResizeCase{700'000, 0, 1'400'000}));

// The byte count of a list never wraps: on a machine whose std::size_t is 32 bits, a count of 2^30
// would otherwise ask for a block of 0 bytes.
struct ByteSizeCase {
  std::int64_t count;
  std::optional<std::size_t> bytes;
};

void PrintTo(const ByteSizeCase& c, std::ostream* os) { *os << c.count << " values"; }

class ByteSize : public testing::TestWithParam<ByteSizeCase> {};

TEST_P(ByteSize, IsFourBytesAValueOrNothingWhenThatCannotBeHeld) {
  EXPECT_EQ(number_list::byte_size_for(GetParam().count), GetParam().bytes);
}

constexpr bool wide_sizes = sizeof(std::size_t) == 8;
// What a count of values takes where std::size_t is 64 bits; nothing where it is 32.
constexpr std::optional<std::size_t> on_wide_machines(unsigned long long bytes) {
  if constexpr (wide_sizes) return static_cast<std::size_t>(bytes);
  return std::nullopt;
}

INSTANTIATE_TEST_SUITE_P(
    NumberList, ByteSize,
    testing::Values(ByteSizeCase{0, 0}, ByteSizeCase{1, 4}, ByteSizeCase{-1, std::nullopt},
                    ByteSizeCase{std::numeric_limits<std::int32_t>::min(), std::nullopt},
                    ByteSizeCase{(std::int64_t{1} << 29) - 1, (std::size_t{1} << 31) - 4},
                    ByteSizeCase{std::int64_t{1} << 29, on_wide_machines(1ULL << 31)},
                    ByteSizeCase{std::int64_t{1} << 30, on_wide_machines(1ULL << 32)},
                    ByteSizeCase{(std::int64_t{1} << 30) + 1, on_wide_machines((1ULL << 32) + 4)},
                    ByteSizeCase{std::numeric_limits<std::int32_t>::max(),
                                 on_wide_machines((1ULL << 33) - 4)}));

TEST(NumberList, LeavesTheListAsItWasWhenTheTotalIsTooLarge) {
  NumberList list = list_of(2, 2);
  EXPECT_FALSE(list.resize(std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1));
  EXPECT_EQ(contents(list), (std::vector<std::int32_t>{10, 20}));
}

TEST(NumberList, FillsPositionsSkippedOverWithZero) {
  NumberList list = list_of(4, 1);
  list.positions_to_enter(3, 4)[0] = 7;
  list.entered_up_to(4);
  EXPECT_EQ(contents(list), (std::vector<std::int32_t>{10, 0, 0, 7}));
}

// A long list starts on a huge-page boundary, so that every whole huge page of it can be one; a
// growth moves its pages there too rather than copying the values anywhere.
TEST(NumberList, KeepsALongListOnAHugePageBoundaryThroughGrowths) {
  constexpr std::int32_t values = 10'000'000;
  NumberList list = list_of(values, values);
  for (const std::int64_t total :
       {std::int64_t{values}, std::int64_t{2} * values, std::int64_t{5} * values + 1}) {
    if (total != list.size()) {
      ASSERT_TRUE(list.resize(total));
    }
    const std::span<std::int32_t> all = list.positions_to_enter(0, list.size());
    constexpr std::uintptr_t huge_page = std::uintptr_t{2} << 20;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(all.data()) % huge_page, 0U)
        << "a list of " << total << " values does not start on a huge page";
    EXPECT_EQ(list.entered()[values - 1], 10 * values) << "after a growth to " << total;
    if (total > values) all.back() = 7;  // the last page is there to be written
  }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif

// The address space this process has mapped, from /proc/self/status; 0 where that can't be read.
rlim_t mapped_bytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmSize:")) return std::stoul(line.substr(7)) * rlim_t{1024};
  }
  return 0;
}

// With 3.5 MiB of address space left, a list of 3 MiB fits but its whole huge pages do not: it is
// still obtained, and still grown into, at its own size. Run in a child, whose limit is its own.
TEST(NumberList, TakesALongListAtItsOwnSizeWhenWholeHugePagesCantBeHad) {
  if (sanitized || test_support::emulated()) GTEST_SKIP() << "the checker or emulator needs more";
  if (mapped_bytes() == 0) GTEST_SKIP() << "no /proc/self/status here";
  constexpr std::int32_t count = (std::int32_t{3} << 20) / 4 + 1024;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlim_t limit = mapped_bytes() + (rlim_t{7} << 19);
    const rlimit address_space{limit, limit};
    if (::setrlimit(RLIMIT_AS, &address_space) != 0) ::_exit(3);
    std::optional<NumberList> list = NumberList::allocate(count);
    if (!list) ::_exit(4);
    list->positions_to_enter(0, count).back() = 7;
    list = NumberList::allocate(1000);
    if (!list || !list->resize(count)) ::_exit(5);
    list->positions_to_enter(0, count).back() = 7;
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "4: not obtained, 5: not grown into, 3: no limit set";
}

}  // namespace
