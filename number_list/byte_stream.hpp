// Where the console's bytes come from and go to: a file descriptor for the programs (tests,
// fuzzers and benchmarks bring their own in-memory streams). Calls are per buffer, never per value.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <span>

#include "number_list/pinned.hpp"

namespace number_list {

// What one read brought: some bytes, the end of input (no bytes, no error), or an errno value.
struct ReadResult {
  std::size_t bytes = 0;
  int error = 0;
};

class ByteSource : Pinned {
 public:
  virtual ~ByteSource() = default;
  // Reads at least one byte unless the input has ended or failed; may wait for input.
  virtual ReadResult read_some(std::span<char> into) = 0;
};

class ByteSink : Pinned {
 public:
  virtual ~ByteSink() = default;
  // Writes every byte, or stops at the first failure and returns its errno value; 0 on success.
  virtual int write_all(std::span<const char> bytes) = 0;
};

class FdSource final : public ByteSource {
 public:
  explicit FdSource(int fd) : fd_(fd) {}
  ReadResult read_some(std::span<char> into) override;

 private:
  int fd_;
};

// The system's write(), or a stand-in that tests give a sink.
using WriteCall = ssize_t (*)(int fd, const void* bytes, std::size_t count);

class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd, WriteCall write = ::write) : fd_(fd), write_(write) {}
  int write_all(std::span<const char> bytes) override;

 private:
  int fd_;
  WriteCall write_;
};

}  // namespace number_list
