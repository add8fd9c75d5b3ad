// The per-value pieces in isolation, in ns a value: reading numbers (and finding their ends alone)
// and writing both programs' listings with each kernel set this machine runs, and writing value
// prompts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "number_list/console.hpp"
#include "number_list/prompts.hpp"
#include "number_list/simd/kernels.hpp"
#include "support/memory_streams.hpp"
#include "support/sample_input.hpp"

namespace {

using number_list::ConsoleInput;
using number_list::ConsoleOutput;
using number_list::simd::Kernels;

// Takes every byte and keeps none, so that only the formatting is measured.
class DiscardingSink final : public number_list::ByteSink {
 public:
  int write_all(std::span<const char> bytes) override {
    benchmark::DoNotOptimize(bytes.data());
    return 0;
  }
};

// Full-range values between the same mix of separators as the whole-process benchmark's inputs.
std::string random_values(std::size_t count) {
  const auto& separators = test_support::sample_separators;
  std::mt19937 random(7);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same input every run
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    text += std::to_string(static_cast<std::int32_t>(random()));
    text += separators[random() % separators.size()];
  }
  return text;
}

constexpr std::size_t values_a_round = std::size_t{1} << 16;

// Reports the time a value, like the others, though an iteration handles a whole round.
void count_values(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values_a_round));
  state.counters["per_value"] = benchmark::Counter(
      static_cast<double>(values_a_round),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The kernel benchmarks run once for each kernel set built in, its place in the list as their
// argument and its name as their label; a set this machine does not run is skipped.
void for_each_kernel_set(benchmark::internal::Benchmark* benchmark) {
  const auto sets = number_list::simd::compiled_kernels();
  for (std::size_t i = 0; i < sets.size(); ++i) benchmark->Arg(static_cast<std::int64_t>(i));
}
const Kernels* kernels_of(benchmark::State& state) {
  const Kernels* const kernels =
      number_list::simd::compiled_kernels()[static_cast<std::size_t>(state.range(0))];
  if (!kernels->runs_here()) {
    state.SkipWithError("not on this machine");
    return nullptr;
  }
  state.SetLabel(std::string(kernels->name));
  return kernels;
}

void ReadValues(benchmark::State& state) {
  const Kernels* const kernels = kernels_of(state);
  if (kernels == nullptr) return;
  const std::string text = random_values(values_a_round);
  DiscardingSink sink;
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) {
    state.PauseTiming();
    test_support::MemorySource source(text);
    ConsoleOutput output(sink, *kernels);
    ConsoleInput input(source, output, *kernels);
    state.ResumeTiming();
    std::int32_t value = 0;
    while (input.read_int(value)) benchmark::DoNotOptimize(value);
  }
  count_values(state);
}

// The first steps of reading alone: marking where numbers end, a window of blocks at a time as
// a sweep takes them, and listing the marks as offsets.
void FindNumberEnds(benchmark::State& state) {
  const Kernels* const kernels = kernels_of(state);
  if (kernels == nullptr) return;
  namespace simd = number_list::simd;
  constexpr std::size_t window_blocks = number_list::ReadyNumbers::window_blocks;
  std::string text = random_values(values_a_round);
  const std::size_t blocks = text.size() / simd::block_size;
  text.append(simd::block_size, ' ');  // the byte after the last block is read too
  std::array<std::uint64_t, window_blocks> marks{};
  std::vector<std::uint32_t> offsets(window_blocks * simd::block_size / 2 + simd::flatten_slack);
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) {
    std::size_t found = 0;
    for (std::size_t b = 0; b < blocks; b += window_blocks) {
      const char* const window = text.data() + b * simd::block_size;
      const std::size_t marked =
          kernels->find_ends(window, std::min(window_blocks, blocks - b), marks.data());
      found += kernels->flatten(marks.data(), marked,
                                static_cast<std::uint32_t>(b * simd::block_size), offsets.data());
    }
    benchmark::DoNotOptimize(found);
  }
  count_values(state);
}

// Full-range values as a list holds them.
std::vector<std::int32_t> random_list() {
  std::vector<std::int32_t> values(values_a_round);
  std::mt19937 random(7);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same values every run
  for (std::int32_t& value : values) value = static_cast<std::int32_t>(random());
  return values;
}

// As extendlist's listing writes its entries.
void WriteListing(benchmark::State& state) {
  const Kernels* const kernels = kernels_of(state);
  if (kernels == nullptr) return;
  const std::vector<std::int32_t> values = random_list();
  DiscardingSink sink;
  ConsoleOutput output(sink, *kernels);
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) {
    number_list::PositionPrompt label(0);
    output.write_values(values, ConsoleOutput::Order::as_stored,
                        number_list::PositionPrompt::longest, [&label](char* p, std::size_t) {
                          p = label.write_at(p);
                          label.advance();
                          return p;
                        });
  }
  count_values(state);
}

// As reverselist's listing writes its values: last first, each followed by a blank.
void WriteReversedList(benchmark::State& state) {
  const Kernels* const kernels = kernels_of(state);
  if (kernels == nullptr) return;
  const std::vector<std::int32_t> values = random_list();
  DiscardingSink sink;
  ConsoleOutput output(sink, *kernels);
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) output.write_spaced_values(values, ConsoleOutput::Order::reversed);
  count_values(state);
}

BENCHMARK(ReadValues)->Apply(for_each_kernel_set);
BENCHMARK(FindNumberEnds)->Apply(for_each_kernel_set);
BENCHMARK(WriteListing)->Apply(for_each_kernel_set);
BENCHMARK(WriteReversedList)->Apply(for_each_kernel_set);

void WriteOneNumberedPrompt(benchmark::State& state) {
  DiscardingSink sink;
  ConsoleOutput output(sink);
  number_list::PositionPrompt prompt(0);
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) prompt.write_next(output);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(WriteOneNumberedPrompt);

// The prompts of values already buffered, written in one run.
void WriteNumberedPrompts(benchmark::State& state) {
  DiscardingSink sink;
  ConsoleOutput output(sink);
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) {
    number_list::PositionPrompt prompt(0);
    prompt.write_next(output, static_cast<number_list::Position>(values_a_round));
  }
  count_values(state);
}
BENCHMARK(WriteNumberedPrompts);

void WriteOneFixedPrompt(benchmark::State& state) {
  DiscardingSink sink;
  ConsoleOutput output(sink);
  const number_list::FixedPrompt prompt("[i]= ");
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) prompt.write_next(output);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(WriteOneFixedPrompt);

}  // namespace

BENCHMARK_MAIN();
