// Descriptor byte streams.
#include "number_list/byte_stream.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace number_list {
namespace {

// A parent may hand us a descriptor whose open file description is non-blocking. Its flags are
// shared with the parent, so rather than clear O_NONBLOCK we wait until the descriptor is ready
// and try again. Returns 0, or the errno value of a poll that failed.
int wait_until_ready(int fd, short events) {
  pollfd ready{fd, events, 0};
  while (::poll(&ready, 1, -1) < 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// POSIX allows EWOULDBLOCK to be a value of its own; on Linux it is EAGAIN.
bool would_block(int error) {
  static_assert(EAGAIN == EWOULDBLOCK, "check EWOULDBLOCK too on such a system");
  return error == EAGAIN;
}

}  // namespace

ReadResult FdSource::read_some(std::span<char> into) {
  for (;;) {
    const ssize_t got = ::read(fd_, into.data(), into.size());
    if (got >= 0) return {static_cast<std::size_t>(got), 0};
    const int error = errno;
    if (error == EINTR) continue;
    if (!would_block(error)) return {0, error};
    if (const int failed = wait_until_ready(fd_, POLLIN); failed != 0) return {0, failed};
  }
}

int FdSink::write_all(std::span<const char> bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
    if (put >= 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(put));
      continue;
    }
    const int error = errno;
    if (error == EINTR) continue;
    if (!would_block(error)) return error;
    if (const int failed = wait_until_ready(fd_, POLLOUT); failed != 0) return failed;
  }
  return 0;
}

}  // namespace number_list
