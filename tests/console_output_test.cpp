// The output buffer at every fill level a batch of values can meet: what the sink gets is what
// printf would write, in writes no larger than the buffer, whatever the kernels write past a batch.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "number_list/console.hpp"
#include "support/each_kernel_set.hpp"

namespace {

using number_list::ConsoleOutput;
namespace simd = number_list::simd;

// Keeps every write's size beside the bytes.
class RecordingSink final : public number_list::ByteSink {
 public:
  int write_all(std::span<const char> bytes) override {
    text.append(bytes.data(), bytes.size());
    sizes.push_back(bytes.size());
    return 0;
  }
  std::string text;
  std::vector<std::size_t> sizes;
};

struct Batch {
  const char* name;
  std::int32_t value;  // every value of the batch
  std::string text;    // how one is written, blank included
};

class SpacedValues : public testing::TestWithParam<Batch> {};

// Two batches of values after every fill from where a whole batch of the longest texts no longer
// fits to a full buffer: the batch is packed in one go or text by text, and a buffer that kept no
// room for the packer's slack would show here as lost or stray bytes or an oversized write.
TEST_P(SpacedValues, FillTheBufferToTheByteAtEveryFill) {
  const Batch& batch = GetParam();
  const std::vector<std::int32_t> values(2 * simd::format_batch, batch.value);
  std::string expected_values;
  for (std::size_t i = 0; i < values.size(); ++i) expected_values += batch.text;
  test_support::for_each_kernel_set([&](const simd::Kernels& kernels) {
    constexpr std::size_t reach = simd::format_batch * 12 + simd::pack_slack + 16;
    for (std::size_t fill = ConsoleOutput::capacity - reach; fill <= ConsoleOutput::capacity;
         ++fill) {
      RecordingSink sink;
      auto out = std::make_unique<ConsoleOutput>(sink, kernels);
      const std::string before(fill, 'x');
      out->write(before);
      out->write_spaced_values(values, ConsoleOutput::Order::reversed);
      out->flush();
      ASSERT_EQ(sink.text, before + expected_values) << "filled to " << fill;
      // Flushed only once the next text's slot no longer fits.
      if (sink.text.size() > ConsoleOutput::capacity) {
        ASSERT_GT(sink.sizes.front() + simd::slot_size, ConsoleOutput::capacity) << fill;
      }
      for (const std::size_t size : sink.sizes) ASSERT_LE(size, ConsoleOutput::capacity) << fill;
    }
  });
}

INSTANTIATE_TEST_SUITE_P(Longest, SpacedValues,
                         testing::Values(Batch{"Negative", INT32_MIN, "-2147483648 "},
                                         Batch{"Positive", INT32_MAX, "2147483647 "},
                                         Batch{"Short", 7, "7 "}),
                         [](const testing::TestParamInfo<Batch>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
