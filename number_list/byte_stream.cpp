// Descriptor and in-memory byte streams.
#include "number_list/byte_stream.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace number_list {

ReadResult FdSource::read_some(std::span<char> into) {
  for (;;) {
    const ssize_t got = ::read(fd_, into.data(), into.size());
    if (got >= 0) return {static_cast<std::size_t>(got), 0};
    if (errno != EINTR) return {0, errno};
  }
}

int FdSink::write_all(std::span<const char> bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(put));
  }
  return 0;
}

ReadResult MemorySource::read_some(std::span<char> into) {
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

}  // namespace number_list
