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

// After a read or write failed with `errno`: 0 when it is worth trying again (interrupted, or a
// non-blocking descriptor that is ready now), otherwise the errno value to report.
int ready_to_retry(int fd, short events) {
  const int error = errno;
  if (error == EINTR) return 0;
  // POSIX allows EWOULDBLOCK to be a value of its own; on Linux it is EAGAIN.
  static_assert(EAGAIN == EWOULDBLOCK, "check EWOULDBLOCK too on such a system");
  if (error != EAGAIN) return error;
  return wait_until_ready(fd, events);
}

}  // namespace

ReadResult FdSource::read_some(std::span<char> into) {
  for (;;) {
    const ssize_t got = ::read(fd_, into.data(), into.size());
    if (got >= 0) return {static_cast<std::size_t>(got), 0};
    if (const int error = ready_to_retry(fd_, POLLIN); error != 0) return {0, error};
  }
}

int FdSink::write_all(std::span<const char> bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write_(fd_, bytes.data(), bytes.size());
    if (put > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(put));
    } else if (put == 0) {
      // Nothing written, no error said: trying again could go on for ever. Taken for a full
      // device, as gnulib's full_write takes it.
      return ENOSPC;
    } else if (const int error = ready_to_retry(fd_, POLLOUT); error != 0) {
      return error;
    }
  }
  return 0;
}

}  // namespace number_list
