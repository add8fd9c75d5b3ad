// In-memory byte streams.
#include "support/memory_streams.hpp"

#include <algorithm>
#include <cstring>

namespace test_support {

number_list::ReadResult MemorySource::read_some(std::span<char> into) {
  if (rest_.empty()) return {0, error_};
  const std::size_t n = std::min({into.size(), rest_.size(), piece_});
  std::memcpy(into.data(), rest_.data(), n);
  rest_.remove_prefix(n);
  return {n, 0};
}

int StringSink::write_all(std::span<const char> bytes) {
  const std::size_t room = limit_ - std::min(limit_, text_.size());
  text_.append(bytes.data(), std::min(room, bytes.size()));
  return bytes.size() <= room ? 0 : error_;
}

}  // namespace test_support
