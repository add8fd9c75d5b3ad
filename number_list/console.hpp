// The console of a dialogue: buffered output, and input read as "%d" reads it, with everything
// written so far flushed before the program waits for more input, so that a person or a driving
// program always sees the prompt it is to answer.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "number_list/byte_stream.hpp"
#include "number_list/pinned.hpp"
#include "number_list/simd/kernels.hpp"

namespace number_list {

// A stream that broke (not the end of input, nor text that is not a number) ends the dialogue with
// a std::system_error in the generic category, whose what() reads "read error: <reason>" or
// "write error: <reason>".
inline constexpr const char* read_error = "read error";
inline constexpr const char* write_error = "write error";

class ConsoleOutput : Pinned {
 public:
  static constexpr std::size_t capacity = std::size_t{64} * 1024;

  explicit ConsoleOutput(ByteSink& sink, const simd::Kernels& kernels = simd::fastest_kernels())
      : sink_(sink), format_(kernels.format), pack_(kernels.pack) {}
  ~ConsoleOutput() = default;  // flushing is the dialogue's business: it can fail

  void write(std::string_view text);
  // `text` written `times` times over, in bulk.
  void write_repeated(std::string_view text, std::size_t times);
  void end_line() { write("\n"); }

  // At least `n` (n <= capacity) writable bytes at the end of the buffered output; what is
  // put there counts once advance_to() is given its end.
  char* room(std::size_t n) {
    assert(n <= capacity);
    if (free_room() < n) flush();
    return next_;
  }
  void advance_to(char* end) {
    assert(end <= buffer_.data() + capacity);
    next_ = end;
  }

  // Writes `count` pieces of at most `longest_piece` (<= capacity) bytes, the i-th by
  // write_piece(p, i), which returns the end of what it wrote. The buffer is flushed wherever the
  // next piece might not fit, as everywhere else; the pieces that surely fit before that point go
  // in one run with no check and no call between them, so that the run's state stays in
  // registers. Against a room check before every piece: arm64's extendlist executes 5.7 % fewer
  // instructions a value (counted under qemu), x86-64's takes 2 % less time.
  template <class WritePiece>
  void write_pieces(std::size_t count, std::size_t longest_piece, WritePiece write_piece) {
    assert(longest_piece > 0 && longest_piece <= capacity);
    std::size_t i = 0;
    while (i < count) {
      const std::size_t fit = std::min(count - i, free_room() / longest_piece);
      if (fit == 0) {
        flush();
        continue;
      }
      char* p = next_;
      for (const std::size_t end = i + fit; i < end; ++i) p = write_piece(p, i);
      assert(p <= buffer_.data() + capacity);
      next_ = p;
    }
  }

  // Writes `values`, in the order they are stored or the reverse, each as "%d" writes it, behind
  // what write_before(p, i) writes at p for the i-th written (at most `longest_before` bytes; it
  // returns its end). Values are formatted a batch at a time.
  enum class Order { as_stored, reversed };
  template <class WriteBefore>
  void write_values(std::span<const std::int32_t> values, Order order, std::size_t longest_before,
                    WriteBefore write_before) {
    for (std::size_t first = 0; first < values.size(); first += simd::format_batch) {
      const std::size_t n = format_batch_from(values, first, order);
      // A text is copied with the blanks after it: one fixed-size move, not a measured copy.
      write_pieces(n, longest_before + simd::slot_size, [&](char* p, std::size_t i) {
        p = write_before(p, first + i);
        // Read before the move, which for all the compiler knows could write over it.
        const std::size_t length = formatted_.lengths[i];
        std::memcpy(p, formatted_.text(i), simd::slot_size);
        return p + length;
      });
    }
  }
  // Writes `values`, in the order they are stored or the reverse, each as "%d" writes it and
  // followed by a blank.
  void write_spaced_values(std::span<const std::int32_t> values, Order order);

  // Hands everything buffered to the sink; throws std::system_error if it fails.
  void flush();

 private:
  ByteSink& sink_;
  // Formats the values from `first` on, counted in `order`, a batch at most, into formatted_;
  // returns how many.
  std::size_t format_batch_from(std::span<const std::int32_t> values, std::size_t first,
                                Order order);

  std::size_t free_room() const {
    return static_cast<std::size_t>(buffer_.data() + capacity - next_);
  }

  simd::FormatFn format_;
  simd::PackFn pack_;
  simd::FormattedValues formatted_{};
  std::array<std::int32_t, simd::format_batch> reversed_{};
  // Past the capacity, room for what pack() may write beyond its texts: it is never flushed, so a
  // batch needs room for its texts alone, wherever the buffer stands.
  std::array<char, capacity + simd::pack_slack> buffer_{};
  char* next_ = buffer_.data();
};

// The numbers of a window of buffered input that can be taken without reading more, found and
// converted by the kernels in one go, and taken one or a run at a time.
class ReadyNumbers {
 public:
  // Input is searched for number ends a window of blocks at a time: 4 KiB, a few hundred numbers,
  // over which the steps taken once a window (finding, the prompts of a run, the converter's last
  // partial step) are spread (2 to 4 % fewer instructions a value than 1 KiB windows).
  static constexpr std::size_t window_blocks = 64;
  static constexpr std::size_t window = window_blocks * simd::block_size;
  // A number ends at a non-digit after a digit, so a window holds at most half as many numbers as
  // bytes.
  static constexpr std::size_t most_found = window / 2;

  // Finds and converts the numbers from `from` (never inside a run of digits) in the buffered
  // input that runs from `base` to the NUL at `end`, as far as a window reaches, and returns how
  // many are ready. It stops before anything that needs more care than the kernels give: a byte
  // no number may start with, a number that may go on past `end` (unless `ended`: no more input
  // comes), a number too long or out of range. The convert_window bytes before `from` and the
  // block after `end` must be readable.
  std::size_t find(const simd::Kernels& kernels, const char* base, const char* from,
                   const char* end, bool ended);
  // As find() and then taking every number found, but converted straight into `into`, which has
  // room for most_found; says how many, and where the last ends (`from` if none), from base.
  struct Taken {
    std::size_t count;
    std::uint32_t end;
  };
  Taken find_and_take(const simd::Kernels& kernels, const char* base, const char* from,
                      const char* end, bool ended, std::int32_t* into);
  std::size_t ready() const { return found_ - taken_; }
  // Takes the next `n` (<= ready()) values into `into`; returns where the last ends, from base.
  std::uint32_t take(std::int32_t* into, std::size_t n) {
    assert(n > 0 && n <= ready());
    std::copy_n(values_.data() + taken_, n, into);
    taken_ += n;
    return ends_[taken_ - 1];
  }

 private:
  // Puts in ends_ where each number that find() takes ends; returns how many.
  std::size_t find_ends(const simd::Kernels& kernels, const char* base, const char* from,
                        const char* end, bool ended);

  std::array<std::uint64_t, window_blocks> run_ends_{};
  // With room for the stores that flattening makes past the last.
  std::array<std::uint32_t, most_found + simd::flatten_slack> ends_{};
  std::array<std::int32_t, most_found> values_{};
  std::size_t found_ = 0;
  std::size_t taken_ = 0;
};

class ConsoleInput : Pinned {
 public:
  static constexpr std::size_t capacity = std::size_t{64} * 1024;

  // `output` is flushed before every wait for input; `kernels` do the per-byte work.
  ConsoleInput(ByteSource& source, ConsoleOutput& output,
               const simd::Kernels& kernels = simd::fastest_kernels())
      : source_(source), output_(output), kernels_(kernels) {}

  // Reads one integer as "%d" does: white space is skipped, then an optional sign and the longest
  // run of digits are taken. A read fails on end of input, when no digit follows the sign, or when
  // the number is outside the int32 range; it then takes nothing but the white space and leaves
  // `value` alone. What stopped it is still there, so every later read fails as well.
  // Throws std::system_error when the source breaks.
  bool read_int(std::int32_t& value) {
    if (!any_ready()) return read_int_slowly(value);
    take(&value, 1);
    return true;
  }

  // Reads into `into`, as that many reads would, the numbers that are buffered and need no wait,
  // at most into.size(), and returns how many. 0 when the next read would wait for input or fail:
  // read_int() then takes it.
  std::size_t read_ready(std::span<std::int32_t> into) {
    // With room for all that a window holds, the numbers are converted straight into place
    // instead of being copied there: on a Zen 4, dispatched, reverselist 3 to 7 % and extendlist
    // 2.5 to 4 % faster (four and three side-by-side runs of 31 to 41 rounds).
    if (ready_.ready() == 0 && into.size() >= ReadyNumbers::most_found) {
      if (failed_) return 0;
      const ReadyNumbers::Taken taken =
          ready_.find_and_take(kernels_, data(), next_, end_, ended_, into.data());
      next_ = data() + taken.end;
      return taken.count;
    }
    if (into.empty() || !any_ready()) return 0;
    const std::size_t n = std::min(ready_.ready(), into.size());
    take(into.data(), n);
    return n;
  }

  bool failed() const { return failed_; }
  // What has been read from the source and not yet taken.
  std::string_view unread() const { return {next_, end_}; }

 private:
  // The kernels read up to convert_window bytes before the first byte and a block past the
  // buffered input; the zeroed room around the input keeps all of that in bounds and defined.
  static constexpr std::size_t lead_room = simd::convert_window;
  static constexpr std::size_t tail_room = simd::block_size + 16;

  // Whether numbers are ready to be taken, looking for more from next_ when none are left.
  bool any_ready() {
    if (ready_.ready() == 0 && !failed_) ready_.find(kernels_, data(), next_, end_, ended_);
    return ready_.ready() > 0;
  }
  void take(std::int32_t* into, std::size_t n) { next_ = data() + ready_.take(into, n); }
  bool read_int_slowly(std::int32_t& value);
  bool skip_white_space();
  void keep_token_and_refill();
  bool refill();
  bool fail() {
    failed_ = true;
    return false;
  }
  char* data() { return buffer_.data() + lead_room; }

  ByteSource& source_;
  ConsoleOutput& output_;
  simd::Kernels kernels_;

  // Zeroed once so that no look around the input ever meets unset memory; the byte at end_ is
  // always a NUL, which ends every run of digits or white space.
  std::array<char, lead_room + capacity + tail_room> buffer_{};
  char* next_ = data();
  char* end_ = data();
  bool ended_ = false;
  bool failed_ = false;
  ReadyNumbers ready_;
};

// The two streams a dialogue runs over.
struct Console {
  Console(ByteSource& source, ByteSink& sink,
          const simd::Kernels& kernels = simd::fastest_kernels())
      : out(sink, kernels), in(source, out, kernels) {}
  ConsoleOutput out;
  ConsoleInput in;
};

}  // namespace number_list
