// Byte streams held in memory, with faults on demand, and a console over them: how tests,
// fuzzers and benchmarks run the dialogues without a process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "number_list/byte_stream.hpp"
#include "number_list/console.hpp"
#include "number_list/simd/kernels.hpp"

namespace test_support {

// Input held in memory (not copied: it must outlive the source), handed out in pieces of at most
// `piece` bytes so that tests can cut a number at any byte; a nonzero `error` is reported once the
// text is used up, instead of its end.
class MemorySource final : public number_list::ByteSource {
 public:
  explicit MemorySource(std::string_view text, std::size_t piece = SIZE_MAX, int error = 0)
      : rest_(text), piece_(piece == 0 ? 1 : piece), error_(error) {}
  number_list::ReadResult read_some(std::span<char> into) override;

 private:
  std::string_view rest_;
  std::size_t piece_;
  int error_;
};

// Output collected in a string; fails with `error` once `limit` bytes have been taken.
class StringSink final : public number_list::ByteSink {
 public:
  explicit StringSink(std::size_t limit = SIZE_MAX, int error = 0) : limit_(limit), error_(error) {}
  int write_all(std::span<const char> bytes) override;
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  std::size_t limit_;
  int error_;
};

// A console reading `input` (in pieces of `piece` bytes; it must outlive the console) and writing
// into a string, with the given kernels.
struct InMemoryConsole {
  explicit InMemoryConsole(
      std::string_view input, std::size_t piece = SIZE_MAX,
      const number_list::simd::Kernels& kernels = number_list::simd::fastest_kernels())
      : source(input, piece), console(source, sink, kernels) {}
  number_list::ConsoleInput& in() { return console.in; }
  number_list::ConsoleOutput& out() { return console.out; }
  // Everything written so far, flushed first.
  const std::string& written() {
    console.out.flush();
    return sink.text();
  }

  MemorySource source;
  StringSink sink;
  number_list::Console console;
};

}  // namespace test_support
