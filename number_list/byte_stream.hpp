// Where the console's bytes come from and go to: a file descriptor for the programs, memory for
// tests, fuzzers and benchmarks. Calls are per buffer, never per value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace number_list {

// What one read brought: some bytes, the end of input (no bytes, no error), or an errno value.
struct ReadResult {
  std::size_t bytes = 0;
  int error = 0;
};

class ByteSource {
 public:
  ByteSource() = default;
  ByteSource(const ByteSource&) = delete;
  ByteSource& operator=(const ByteSource&) = delete;
  ByteSource(ByteSource&&) = delete;
  ByteSource& operator=(ByteSource&&) = delete;
  virtual ~ByteSource() = default;
  // Reads at least one byte unless the input has ended or failed; may wait for input.
  virtual ReadResult read_some(std::span<char> into) = 0;
};

class ByteSink {
 public:
  ByteSink() = default;
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  ByteSink(ByteSink&&) = delete;
  ByteSink& operator=(ByteSink&&) = delete;
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

class FdSink final : public ByteSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  int write_all(std::span<const char> bytes) override;

 private:
  int fd_;
};

// Input held in memory, handed out in pieces of at most `piece` bytes so that tests can cut a
// number at any byte; a nonzero `error` is reported once the text is used up, instead of its end.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view text, std::size_t piece = SIZE_MAX, int error = 0)
      : rest_(text), piece_(piece == 0 ? 1 : piece), error_(error) {}
  ReadResult read_some(std::span<char> into) override;

 private:
  std::string_view rest_;
  std::size_t piece_;
  int error_;
};

// Output collected in a string; fails with `error` once `limit` bytes have been taken.
class StringSink final : public ByteSink {
 public:
  explicit StringSink(std::size_t limit = SIZE_MAX, int error = 0) : limit_(limit), error_(error) {}
  int write_all(std::span<const char> bytes) override;
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  std::size_t limit_;
  int error_;
};

}  // namespace number_list
