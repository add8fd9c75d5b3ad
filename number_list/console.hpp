// The console of a dialogue: buffered output, and input read as "%d" reads it, with everything
// written so far flushed before the program waits for more input, so that a person or a driving
// program always sees the prompt it is to answer.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "number_list/byte_stream.hpp"
#include "number_list/decimal.hpp"
#include "number_list/pinned.hpp"

namespace number_list {

// A stream that broke (not the end of input, nor text that is not a number) ends the dialogue with
// a std::system_error in the generic category, whose what() reads "read error: <reason>" or
// "write error: <reason>".
inline constexpr const char* read_error = "read error";
inline constexpr const char* write_error = "write error";

class ConsoleOutput : Pinned {
 public:
  static constexpr std::size_t capacity = std::size_t{64} * 1024;

  explicit ConsoleOutput(ByteSink& sink) : sink_(sink) {}
  ~ConsoleOutput() = default;  // flushing is the dialogue's business: it can fail

  void write(std::string_view text);
  // `text` written `times` times over, in bulk.
  void write_repeated(std::string_view text, std::size_t times);
  void end_line() {
    *room(1) = '\n';
    ++next_;
  }

  // At least `n` (n <= capacity) writable bytes at the end of the buffered output; what is
  // put there counts once advance_to() is given its end.
  char* room(std::size_t n) {
    assert(n <= capacity);
    if (static_cast<std::size_t>(buffer_.data() + capacity - next_) < n) flush();
    return next_;
  }
  void advance_to(char* end) { next_ = end; }

  // Writes `count` pieces of at most `longest_piece` (<= capacity) bytes, the i-th by
  // write_piece(p, i), which returns the end of what it wrote. The write position stays in a
  // register for the whole run instead of going through memory for every piece.
  template <class WritePiece>
  void write_pieces(std::size_t count, std::size_t longest_piece, WritePiece write_piece) {
    assert(longest_piece <= capacity);
    char* p = next_;
    const char* const last_start = buffer_.data() + capacity - longest_piece;
    for (std::size_t i = 0; i < count; ++i) {
      if (p > last_start) {
        next_ = p;
        flush();
        p = next_;
      }
      p = write_piece(p, i);
      assert(p <= buffer_.data() + capacity);
    }
    next_ = p;
  }

  // Hands everything buffered to the sink; throws std::system_error if it fails.
  void flush();

 private:
  ByteSink& sink_;
  std::array<char, capacity> buffer_{};
  char* next_ = buffer_.data();
};

class ConsoleInput : Pinned {
 public:
  static constexpr std::size_t capacity = std::size_t{64} * 1024;

  // `output` is flushed before every wait for input.
  ConsoleInput(ByteSource& source, ConsoleOutput& output);

  // Reads one integer as "%d" does: white space is skipped, then an optional sign and the longest
  // run of digits are taken. A read fails on end of input, when no digit follows the sign, or when
  // the number is outside the int32 range; it then takes nothing but the white space and leaves
  // `value` alone. What stopped it is still there, so every later read fails as well.
  // Throws std::system_error when the source breaks.
  bool read_int(std::int32_t& value) {
    // The scans below look up to scan_lead_room bytes before and scan_slack after the buffered
    // input, and count on a NUL to end it.
    assert(*end_ == '\0' && end_ + decimal::scan_slack <= buffer_.data() + buffer_.size());
    if (failed_) return false;
    // The common cases inline: a whole number already buffered, behind some white space.
    char* p = next_;  // a local, so that the compiler keeps it in a register
#if defined(__SSE2__)
    const decimal::Scan spaced = decimal::scan_spaced_int(p, end_, ended_);
    if (spaced.status == decimal::ScanStatus::parsed) return take(spaced, p, value);
#else
    // One or two separators are the rule: step over those without a branch to mispredict.
    const bool first_space = decimal::is_space(p[0]);
    p += static_cast<int>(first_space);
    p += static_cast<int>(first_space) & static_cast<int>(decimal::is_space(p[0]));
    while (decimal::is_space(*p)) ++p;
    next_ = p;
    if (p != end_) {
      const decimal::Scan scan = decimal::scan_int(p, end_, ended_);
      if (scan.status == decimal::ScanStatus::parsed) return take(scan, p, value);
    }
#endif
    return read_int_across_refills(value);
  }

  bool failed() const { return failed_; }
  // What has been read from the source and not yet taken.
  std::string_view unread() const { return {next_, end_}; }

 private:
  bool read_int_across_refills(std::int32_t& value);
  bool skip_white_space();
  void keep_token_and_refill();
  bool refill();
  // Takes the number that a scan from `from` parsed.
  bool take(const decimal::Scan& scan, char* from, std::int32_t& value) {
    value = scan.value;
    next_ = from + scan.length;
    return true;
  }
  bool fail() {
    failed_ = true;
    return false;
  }

  ByteSource& source_;
  ConsoleOutput& output_;
  char* data() { return buffer_.data() + decimal::scan_lead_room; }

  // Zeroed once so that a scan's look around the input never meets unset memory; the byte at
  // end_ is always a NUL, which ends every run of digits or white space.
  std::array<char, decimal::scan_lead_room + capacity + decimal::scan_slack> buffer_{};
  char* next_ = data();
  char* end_ = data();
  bool ended_ = false;
  bool failed_ = false;
};

// The two streams a dialogue runs over.
struct Console {
  Console(ByteSource& source, ByteSink& sink) : out(sink), in(source, out) {}
  ConsoleOutput out;
  ConsoleInput in;
};

}  // namespace number_list
