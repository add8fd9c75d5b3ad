// Every kernel set against plain byte-by-byte definitions of what it computes: where numbers end
// in the input, the values of numbers, and the text of values.
#include "number_list/simd/kernels.hpp"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/each_kernel_set.hpp"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

using number_list::simd::Kernels;
using test_support::for_each_kernel_set;
namespace simd = number_list::simd;

// A random number below `n`, as a size on every machine.
std::size_t below(std::mt19937_64& random, std::size_t n) {
  return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where numbers end in the blocks from the start of `input`, byte by byte as find_ends() defines
// it: one mask for each block marked, the last holding the first byte at which a read stops.
std::vector<std::uint64_t> ends_byte_by_byte(std::string_view input, std::size_t blocks) {
  std::vector<std::uint64_t> ends;
  for (std::size_t b = 0; b < blocks; ++b) {
    std::uint64_t marks = 0;
    for (std::size_t i = 0; i < simd::block_size; ++i) {
      const std::size_t at = b * simd::block_size + i;
      const char c = input[at];
      if (!is_digit(c) && at > 0 && is_digit(input[at - 1])) marks |= std::uint64_t{1} << i;
      const bool space = c == ' ' || (c >= '\t' && c <= '\r');
      const bool sign = c == '+' || c == '-';
      if ((!is_digit(c) && !space && !sign) || (sign && !is_digit(input[at + 1]))) {
        ends.push_back(marks);
        return ends;
      }
    }
    ends.push_back(marks);
  }
  return ends;
}

// Bytes near every class boundary, and the rest of the byte range.
char any_byte(std::mt19937_64& random) {
  static constexpr std::string_view near = "0123456789/:+-,.\t\n\v\f\r\b\x0e \x1f!*x";
  const std::size_t pick = below(random, 4);
  if (pick == 0) return static_cast<char>(below(random, 256));
  return near[below(random, near.size())];
}

// Input a reader goes on through: digits, every kind of white space, signs before digits.
void fill_with_numbers(std::mt19937_64& random, std::string& input) {
  static constexpr std::string_view spaces = " \t\n\v\f\r";
  for (std::size_t at = 0; at < input.size(); ++at) {
    const std::size_t pick = below(random, 16);
    if (pick < 10) input[at] = static_cast<char>('0' + pick);
    if (pick >= 10 && pick < 15) input[at] = spaces[below(random, spaces.size())];
    if (pick == 15 && at + 1 < input.size()) {
      input[at] = below(random, 2) == 0 ? '+' : '-';
      input[++at] = static_cast<char>('0' + below(random, 10));
    }
  }
}

TEST(Kernels, FindNumberEndsUpToTheFirstStopAsTheDefinitionSays) {
  std::mt19937_64 random(7);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same cases every run
  constexpr std::size_t blocks = 5;
  std::string input(blocks * simd::block_size, '\0');
  for (int round = 0; round < 3000; ++round) {
    // Any byte, at a few places or none: the first that stops a read ends the marking.
    fill_with_numbers(random, input);
    for (std::size_t odd = below(random, 4); odd > 0; --odd) {
      input[below(random, input.size())] = any_byte(random);
    }
    for_each_kernel_set([&input](const Kernels& kernels) {
      // From an odd address too: the input buffer gives blocks no alignment.
      for (const std::size_t from : {std::size_t{0}, std::size_t{3}}) {
        const std::string_view view = std::string_view(input).substr(from);
        const std::vector<std::uint64_t> expected = ends_byte_by_byte(view, blocks - 1);
        std::array<std::uint64_t, blocks> ends{};
        const std::size_t marked = kernels.find_ends(view.data(), blocks - 1, ends.data());
        ASSERT_EQ(marked, expected.size()) << "from " << from;
        for (std::size_t b = 0; b < marked; ++b) {
          ASSERT_EQ(ends.at(b), expected[b]) << "from " << from << ", block " << b;
        }
      }
    });
  }
}

#if defined(__x86_64__)
[[gnu::target("avx512f,avx512bw,avx512vbmi2")]] bool compress_keeps_all_64_bytes() {
  const __m512i bytes = _mm512_set1_epi8(1);
  const __m512i kept = _mm512_maskz_compress_epi8(~__mmask64{0}, bytes);
  return _mm512_cmpeq_epi8_mask(kept, bytes) == ~__mmask64{0};
}
#endif

// Whether this processor's byte compress keeps all 64 bytes under a mask with every bit set. Bochs
// 2.7, which the amd64-avx512 preset emulates AVX-512 with, stores nothing then (fixed in later
// Bochs); real processors keep them all.
bool compress_keeps_every_byte() {
#if defined(__x86_64__)
  return !__builtin_cpu_supports("avx512vbmi2") || compress_keeps_all_64_bytes();
#else
  return true;
#endif
}

// Blocks of bits as the reader marks number ends, and the edges of what a block can hold (every
// bit set only where `full_blocks`).
std::vector<std::uint64_t> random_bit_blocks(std::mt19937_64& random, bool full_blocks) {
  static constexpr std::array<std::uint64_t, 7> edges = {0,
                                                         1,
                                                         std::uint64_t{1} << 63,
                                                         0x5555'5555'5555'5555,
                                                         0xAAAA'AAAA'AAAA'AAAA,
                                                         ~std::uint64_t{0},
                                                         0x0000'FFFF'0000'0001};
  std::vector<std::uint64_t> blocks(1 + below(random, 16));
  for (std::uint64_t& bits : blocks) {
    // Sparse like number ends as a rule, sometimes an edge, sometimes dense.
    const std::size_t pick = below(random, 4);
    if (pick == 0) bits = edges[below(random, edges.size())];
    if (pick == 1) bits = random();
    if (pick >= 2) {
      bits = ~std::uint64_t{0};
      for (int draw = 0; draw < 3; ++draw) bits &= random();  // each bit set one time in eight
    }
    if (bits == ~std::uint64_t{0} && !full_blocks) bits = 0;
  }
  return blocks;
}

TEST(Kernels, FlattenEverySetBitInOrder) {
  std::mt19937_64 random(5);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same cases every run
  constexpr std::uint32_t guard = 0xDEAD'BEEF;
  // Number ends never fill a block, but the kernels must flatten any block; a processor whose
  // compress is known to fail there is said so, and that one case left out on it alone.
  const bool full_blocks = compress_keeps_every_byte();
  if (!full_blocks) {
    testing::Test::RecordProperty("left_out", "blocks with every bit set");
    std::cout << "[ EMULATOR ] vpcompressb keeps nothing under a full mask here (Bochs 2.7): "
                 "blocks with every bit set left out\n";
  }
  for (int round = 0; round < 2000; ++round) {
    const std::vector<std::uint64_t> blocks = random_bit_blocks(random, full_blocks);
    const std::uint32_t base = std::uniform_int_distribution<std::uint32_t>(0, 1U << 20)(random);
    std::vector<std::uint32_t> expected;
    std::uint32_t block_base = base;
    for (const std::uint64_t bits : blocks) {
      for (std::uint32_t i = 0; i < simd::block_size; ++i) {
        if ((bits >> i) & 1U) expected.push_back(block_base + i);
      }
      block_base += std::uint32_t{simd::block_size};
    }
    for_each_kernel_set([&](const Kernels& kernels) {
      std::vector<std::uint32_t> offsets(expected.size() + simd::flatten_slack + 1, guard);
      const std::size_t found = kernels.flatten(blocks.data(), blocks.size(), base, offsets.data());
      ASSERT_EQ(found, expected.size());
      for (std::size_t i = 0; i < found; ++i) ASSERT_EQ(offsets[i], expected[i]) << "bit " << i;
      ASSERT_EQ(offsets.back(), guard) << "written further than flatten_slack past the last";
    });
  }
}

// Numbers laid out as the reader meets them, with where each ends and what it must read as; a
// value is absent where the kernels must stop (too many digits, out of range).
struct Numbers {
  std::string buffer;  // lead room, then the text
  std::vector<std::uint32_t> ends;
  std::vector<std::optional<std::int32_t>> values;
  const char* data() const { return buffer.data() + simd::convert_window; }
};

Numbers random_numbers(std::mt19937_64& random, std::size_t count) {
  Numbers numbers;
  numbers.buffer.assign(simd::convert_window, '\0');
  static constexpr std::array<std::string_view, 6> gaps = {" ", "\n", "\t\r\n", "  ", "", "x"};
  for (std::size_t i = 0; i < count; ++i) {
    // The gap before a signed number may be empty: "12-5" is 12 then -5.
    const std::size_t sign = below(random, 4);
    const std::string_view gap = gaps[below(random, gaps.size())];
    const bool has_sign = sign == 1 || sign == 2;
    numbers.buffer += i == 0 || (gap.empty() && !has_sign) ? " " : gap;
    if (sign == 1) numbers.buffer += '-';
    if (sign == 2) numbers.buffer += '+';
    const std::size_t zeros = below(random, 5) == 0 ? below(random, 8) : 0;
    const std::size_t digits = 1 + below(random, below(random, 3) == 0 ? 16 : 10);
    std::string text(zeros, '0');
    for (std::size_t d = 0; d < digits; ++d) text += static_cast<char>('0' + below(random, 10));
    // The edges of the int32 range, where a minus lets a number reach one further.
    static constexpr std::array<std::string_view, 3> edges = {"2147483647", "2147483648",
                                                              "2147483649"};
    if (below(random, 8) == 0) {
      text.resize(zeros);
      text += edges[below(random, edges.size())];
    }
    numbers.buffer += text;
    // As a pointer difference: an offset the same width on every machine.
    const char* const text_end = numbers.buffer.data() + numbers.buffer.size();
    numbers.ends.push_back(static_cast<std::uint32_t>(text_end - numbers.data()));
    std::int64_t magnitude = 0;
    bool fits = text.size() <= simd::convertible_digits;
    for (const char c : text) {
      if (magnitude > (std::int64_t{1} << 32)) break;  // out of range already
      magnitude = magnitude * 10 + (c - '0');
    }
    const std::int64_t value = sign == 1 ? -magnitude : magnitude;
    fits = fits && value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
    numbers.values.push_back(fits ? std::optional(static_cast<std::int32_t>(value)) : std::nullopt);
  }
  numbers.buffer.append(simd::convert_window, '\0');
  return numbers;
}

TEST(Kernels, ConvertUpToTheFirstNumberTheyLeaveToTheCaller) {
  std::mt19937_64 random(11);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same cases every run
  for (int round = 0; round < 2000; ++round) {
    const Numbers numbers = random_numbers(random, 1 + below(random, 9));
    std::size_t expected = 0;
    while (expected < numbers.values.size() && numbers.values[expected]) ++expected;
    for_each_kernel_set([&numbers, expected](const Kernels& kernels) {
      std::vector<std::int32_t> values(numbers.ends.size(), -7);
      const std::size_t converted =
          kernels.convert(numbers.data(), numbers.ends.data(), numbers.ends.size(), values.data());
      ASSERT_EQ(converted, expected) << numbers.buffer.substr(simd::convert_window);
      for (std::size_t i = 0; i < converted; ++i) {
        ASSERT_EQ(values[i], *numbers.values[i]) << numbers.buffer.substr(simd::convert_window);
      }
      for (std::size_t i = converted; i < values.size(); ++i) {
        ASSERT_EQ(values[i], -7) << "nothing is written past the numbers converted";
      }
    });
  }
}

std::string printed(std::int32_t value) {
  std::array<char, 16> text{};
  const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
  return {text.data(), result.ptr};
}

void expect_formatted_as_printed(const Kernels& kernels, const std::vector<std::int32_t>& values) {
  // One set of slots for every batch, as the output keeps it: no batch may rely on fresh slots.
  simd::FormattedValues out{};
  for (std::size_t first = 0; first < values.size(); first += simd::format_batch) {
    const std::size_t count = std::min(simd::format_batch, values.size() - first);
    kernels.format(values.data() + first, count, out);
    for (std::size_t i = 0; i < count; ++i) {
      const std::string expected = printed(values[first + i]);
      const std::string_view text(out.text(i), simd::slot_size);
      ASSERT_EQ(text.substr(0, out.lengths[i]), expected);
      ASSERT_EQ(text.substr(out.lengths[i], simd::blanks_after_text),
                std::string(simd::blanks_after_text, ' '))
          << "blanks after " << expected;
    }
  }
}

TEST(Kernels, FormatValuesAsPrintfDoes) {
  std::vector<std::int32_t> values = {0,
                                      7,
                                      9,
                                      10,
                                      99,
                                      100,
                                      12345,
                                      999999999,
                                      1000000000,
                                      std::numeric_limits<std::int32_t>::max(),
                                      std::numeric_limits<std::int32_t>::min()};
  // Each power of ten and its neighbours, of both signs: where the digit count changes.
  for (std::int64_t power = 1; power <= 1000000000; power *= 10) {
    for (const std::int64_t v : {power - 1, power, power + 1}) {
      values.push_back(static_cast<std::int32_t>(v));
      values.push_back(static_cast<std::int32_t>(-v));
    }
  }
  std::mt19937_64 random(13);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same cases every run
  for (int i = 0; i < 100000; ++i) {
    const auto magnitude = static_cast<std::uint32_t>(random()) >> below(random, 32);
    values.push_back(static_cast<std::int32_t>(i % 2 == 0 ? magnitude : 0U - magnitude));
  }
  for_each_kernel_set(
      [&values](const Kernels& kernels) { expect_formatted_as_printed(kernels, values); });
}

// Packing is checked on each set's own slots, since what lies before a text in its slot is the
// set's business: every count of a batch, texts of every length, nothing written past the slack.
TEST(Kernels, PackTextsEachFollowedByABlank) {
  std::mt19937_64 random(17);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same cases every run
  for_each_kernel_set([&random](const Kernels& kernels) {
    simd::FormattedValues formatted{};
    for (int round = 0; round < 200; ++round) {
      std::array<std::int32_t, simd::format_batch> values{};
      for (std::int32_t& value : values) {
        const auto magnitude = static_cast<std::uint32_t>(random()) >> below(random, 32);
        value = static_cast<std::int32_t>(below(random, 2) == 0 ? magnitude : 0U - magnitude);
      }
      kernels.format(values.data(), values.size(), formatted);
      const std::size_t count = below(random, simd::format_batch + 1);
      std::string expected;
      for (std::size_t i = 0; i < count; ++i) expected += printed(values[i]) + " ";
      constexpr char untouched = '#';
      std::string packed(expected.size() + simd::pack_slack + 16, untouched);
      const char* const end = kernels.pack(formatted, count, packed.data());
      ASSERT_EQ(end - packed.data(), static_cast<std::ptrdiff_t>(expected.size())) << count;
      ASSERT_EQ(packed.substr(0, expected.size()), expected);
      ASSERT_EQ(packed.substr(expected.size() + simd::pack_slack), std::string(16, untouched));
    }
  });
}

// The emulated runs of the amd64 build name the sets their processor must run (and so the ones it
// must not): a dispatcher or a runs_here() that asked for too little or too much shows here.
TEST(KernelSets, RunHereExactlyAsTheMachineCallsFor) {
  // NOLINTNEXTLINE(concurrency-mt-unsafe): no other thread runs
  const char* expected = std::getenv("NUMBERLIST_EXPECTED_KERNELS");
  std::string running;
  std::string skipped;
  for (const Kernels* kernels : simd::compiled_kernels()) {
    std::string& list = kernels->runs_here() ? running : skipped;
    list += list.empty() ? "" : " ";
    list += kernels->name;
  }
  std::cout << "[ KERNELS  ] run here: " << running
            << "; skipped, not on this machine: " << (skipped.empty() ? "none" : skipped) << '\n';
  if (expected == nullptr) GTEST_SKIP() << "NUMBERLIST_EXPECTED_KERNELS names no machine";
  EXPECT_EQ(running, expected);
  EXPECT_EQ(simd::fastest_kernels().name, running.substr(running.rfind(' ') + 1));
}

}  // namespace
