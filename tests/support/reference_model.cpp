// The reference model: deliberately plain, one character and one position at a time.
#include "support/reference_model.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace test_support {
namespace {

bool is_c_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

class Reads {
 public:
  explicit Reads(const std::vector<ReadOutcome>& reads) : reads_(reads) {}
  // The next read's value; 0 for a failed read, as the programs keep it.
  std::int32_t next() {
    if (failed_ || next_ == reads_.size() || !reads_[next_]) {
      failed_ = true;
      return 0;
    }
    return *reads_[next_++];
  }
  bool failed() const { return failed_; }

 private:
  const std::vector<ReadOutcome>& reads_;
  std::size_t next_ = 0;
  bool failed_ = false;
};

}  // namespace

ReadOutcome reference_number(std::string_view sign_and_digits) {
  std::string_view text = sign_and_digits;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (const char c : text) {
    if (!is_digit(c)) return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{1} << 31) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

std::vector<ReadOutcome> reference_reads(std::string_view text) {
  std::vector<ReadOutcome> reads;
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && is_c_space(text[i])) ++i;
    std::size_t end = i;
    if (end < text.size() && (text[end] == '-' || text[end] == '+')) ++end;
    while (end < text.size() && is_digit(text[end])) ++end;
    const ReadOutcome read = reference_number(text.substr(i, end - i));
    reads.push_back(read);
    if (!read) return reads;
    i = end;
  }
}

namespace {

void fail_allocation(ExpectedRun& run) {
  run.out += "Memory allocation failed!";
  run.status = 1;
}

// The opening both programs share: the count request, then the first values, each after
// prompt(position). Nothing when the count cannot be allocated: the run has then ended.
template <class Prompt>
std::optional<std::vector<std::int32_t>> expected_opening(Reads& in, ExpectedRun& run,
                                                          std::size_t max_output, Prompt prompt) {
  run.out += "How numbers do you want: ";
  const std::int64_t count = in.next();
  if (count < 0) {
    fail_allocation(run);
    return std::nullopt;
  }
  std::vector<std::int32_t> list;
  for (std::int64_t i = 0; i < count && run.out.size() <= max_output; ++i) {
    run.out += prompt(i);
    list.push_back(in.next());
  }
  return list;
}

}  // namespace

ExpectedRun expected_extendlist(const std::vector<ReadOutcome>& reads, std::size_t max_output) {
  Reads in(reads);
  ExpectedRun run;
  std::string& out = run.out;
  const auto prompt = [](std::int64_t i) { return "[" + std::to_string(i) + "]= "; };
  std::optional<std::vector<std::int32_t>> opened = expected_opening(in, run, max_output, prompt);
  if (!opened || out.size() > max_output) return run;
  std::vector<std::int32_t>& list = *opened;
  const auto count = static_cast<std::int64_t>(list.size());
  out += "\nHow many elements do you want to add: ";
  const std::int64_t total = count + in.next();
  if (total > std::numeric_limits<std::int32_t>::max()) {
    fail_allocation(run);
    return run;
  }
  // Each listed value takes six bytes or more: no more of them can show within max_output.
  const std::size_t listed = total > 0 ? static_cast<std::size_t>(total) : 0;
  list.resize(std::min(listed, max_output / 6 + 1), 0);
  for (std::int64_t i = count; i < total && out.size() <= max_output; ++i) {
    out += prompt(i);
    list[static_cast<std::size_t>(i)] = in.next();
  }
  for (std::size_t i = 0; i < list.size() && out.size() <= max_output; ++i) {
    out += prompt(static_cast<std::int64_t>(i)) + std::to_string(list[i]);
  }
  out += "\n";
  return run;
}

ExpectedRun expected_reverselist(const std::vector<ReadOutcome>& reads, std::size_t max_output) {
  Reads in(reads);
  ExpectedRun run;
  const std::optional<std::vector<std::int32_t>> list =
      expected_opening(in, run, max_output, [](std::int64_t) { return std::string("[i]= "); });
  if (!list || run.out.size() > max_output) return run;
  for (auto value = list->rbegin(); value != list->rend() && run.out.size() <= max_output;
       ++value) {
    run.out += std::to_string(*value) + " ";
  }
  run.out += "\n";
  return run;
}

}  // namespace test_support
