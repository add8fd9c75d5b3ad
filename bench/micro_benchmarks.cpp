// The per-value pieces in isolation, in ns a value: reading one number, writing one listing
// entry, writing one value prompt.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "number_list/console.hpp"
#include "number_list/prompts.hpp"
#include "support/memory_streams.hpp"
#include "support/sample_input.hpp"

namespace {

using number_list::ConsoleInput;
using number_list::ConsoleOutput;

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

void ReadOneValue(benchmark::State& state) {
  const std::string text = random_values(1 << 16);
  DiscardingSink sink;
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) {
    state.PauseTiming();
    test_support::MemorySource source(text);
    ConsoleOutput output(sink);
    ConsoleInput input(source, output);
    state.ResumeTiming();
    std::int32_t value = 0;
    while (input.read_int(value)) benchmark::DoNotOptimize(value);
  }
  state.SetItemsProcessed(state.iterations() * (1 << 16));
  // An iteration reads a whole buffer of values: report the time a value, like the others.
  state.counters["per_value"] = benchmark::Counter(
      1 << 16, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(ReadOneValue);

void WriteOneListingEntry(benchmark::State& state) {
  DiscardingSink sink;
  ConsoleOutput output(sink);
  number_list::PositionPrompt label(0);
  std::int32_t value = -1234567890;
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) {
    // As extendlist's listing writes an entry.
    output.advance_to(number_list::decimal::write_int(label.write_at(output.room(32)), value));
    label.advance();
    value += 7919;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(WriteOneListingEntry);

void WriteOneNumberedPrompt(benchmark::State& state) {
  DiscardingSink sink;
  ConsoleOutput output(sink);
  number_list::PositionPrompt prompt(0);
  // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores): the benchmark loop's idiom
  for (auto _ : state) prompt.write_next(output);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(WriteOneNumberedPrompt);

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
