// Buffered console streams.
#include "number_list/console.hpp"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "number_list/decimal.hpp"
#include "number_list/simd/number_text.hpp"

namespace number_list {

void ConsoleOutput::write(std::string_view text) {
  while (!text.empty()) {
    const std::size_t free = free_room();
    if (free == 0) {
      flush();
      continue;
    }
    const std::size_t n = std::min(free, text.size());
    std::memcpy(next_, text.data(), n);
    next_ += n;
    text.remove_prefix(n);
  }
}

void ConsoleOutput::write_repeated(std::string_view text, std::size_t times) {
  if (text.empty()) return;  // nothing to write, and no copies to count by its size
  if (text.size() > capacity / 2) {
    for (; times > 0; --times) write(text);
    return;
  }
  while (times > 0) {
    const std::size_t free = free_room();
    const std::size_t fit = std::min(times, free / text.size());
    if (fit == 0) {
      flush();
      continue;
    }
    // One copy, then the copies made so far copied again, doubling: reverselist lists a hundred
    // million unanswered prompts and zeros 17 times faster than with a copy each.
    const std::size_t wanted = fit * text.size();
    std::memcpy(next_, text.data(), text.size());
    for (std::size_t done = text.size(); done < wanted;) {
      const std::size_t n = std::min(done, wanted - done);
      std::memcpy(next_ + done, next_, n);
      done += n;
    }
    next_ += wanted;
    times -= fit;
  }
}

std::size_t ConsoleOutput::format_batch_from(std::span<const std::int32_t> values,
                                             std::size_t first, Order order) {
  const std::size_t n = std::min(simd::format_batch, values.size() - first);
  const std::int32_t* batch = values.data() + first;
  if (order == Order::reversed) {
    const std::int32_t* const last = values.data() + values.size() - 1 - first;
    for (std::size_t i = 0; i < n; ++i) reversed_[i] = *(last - i);
    batch = reversed_.data();
  }
  format_(batch, n, formatted_);
  return n;
}

void ConsoleOutput::write_spaced_values(std::span<const std::int32_t> values, Order order) {
  constexpr std::size_t longest = 12;  // "-2147483648 "
  for (std::size_t first = 0; first < values.size(); first += simd::format_batch) {
    const std::size_t n = format_batch_from(values, first, order);
    // A batch that fits whole is packed in one go; one that does not goes text by text, so the
    // buffer is flushed exactly where a text no longer fits, as it is everywhere else.
    if (free_room() >= n * longest) {
      // What pack() writes past the texts lands in the buffer's tail.
      assert(buffer_.data() + buffer_.size() - next_ >=
             static_cast<std::ptrdiff_t>(n * longest + simd::pack_slack));
      advance_to(pack_(formatted_, n, next_));
      continue;
    }
    write_pieces(n, simd::slot_size, [this](char* p, std::size_t i) {
      return simd::number_text::pack_texts(formatted_, i, i + 1, p);
    });
  }
}

void ConsoleOutput::flush() {
  const auto size = static_cast<std::size_t>(next_ - buffer_.data());
  if (size == 0) return;
  next_ = buffer_.data();
  if (const int error = sink_.write_all({buffer_.data(), size}); error != 0) {
    throw std::system_error(error, std::generic_category(), write_error);
  }
}

std::size_t ReadyNumbers::find_ends(const simd::Kernels& kernels, const char* base,
                                    const char* from, const char* end, bool ended) {
  // A number starts after white space or right after the one before, so the byte after each run
  // of digits is all it takes to find them, up to the first byte at which a read would stop.
  const auto buffered = static_cast<std::size_t>(end - from) + 1;  // the NUL included
  const std::size_t blocks =
      std::min(window_blocks, (buffered + simd::block_size - 1) / simd::block_size);
  const std::size_t marked = kernels.find_ends(from, blocks, run_ends_.data());
  const auto offset = [base](const char* p) { return static_cast<std::uint32_t>(p - base); };
  std::size_t ends = kernels.flatten(run_ends_.data(), marked, offset(from), ends_.data());
  // The last number may run on into input not yet read.
  if (ends > 0 && !ended && ends_[ends - 1] == offset(end)) --ends;
  return ends;
}

std::size_t ReadyNumbers::find(const simd::Kernels& kernels, const char* base, const char* from,
                               const char* end, bool ended) {
  found_ = kernels.convert(base, ends_.data(), find_ends(kernels, base, from, end, ended),
                           values_.data());
  taken_ = 0;
  return found_;
}

ReadyNumbers::Taken ReadyNumbers::find_and_take(const simd::Kernels& kernels, const char* base,
                                                const char* from, const char* end, bool ended,
                                                std::int32_t* into) {
  const std::size_t count =
      kernels.convert(base, ends_.data(), find_ends(kernels, base, from, end, ended), into);
  found_ = 0;
  taken_ = 0;
  return {count, count > 0 ? ends_[count - 1] : static_cast<std::uint32_t>(from - base)};
}

// Reads one number byte by byte, across refills: what the kernels leave, which is rare enough for
// the plain way (the end of what is buffered, a failure, a number with many leading zeros).
bool ConsoleInput::read_int_slowly(std::int32_t& value) {
  if (failed_ || !skip_white_space()) return fail();
  for (;;) {
    char* p = next_;
    const bool negative = *p == '-';
    p += static_cast<int>(negative || *p == '+');
    const char* const digits = p;
    while (*p == '0') ++p;
    const char* const significant = p;
    while (decimal::is_digit(*p)) ++p;
    // More than ten significant digits are out of range, whatever follows.
    constexpr std::ptrdiff_t longest = 10;
    if (p - significant > longest) return fail();
    if (p == end_ && !ended_) {
      keep_token_and_refill();
      continue;
    }
    if (p == digits) return fail();
    std::uint64_t magnitude = 0;
    for (const char* q = significant; q != p; ++q) {
      magnitude = magnitude * 10 + static_cast<std::uint64_t>(*q - '0');
    }
    if (!simd::number_text::store_signed(magnitude, negative, value)) return fail();
    next_ = p;
    return true;
  }
}

bool ConsoleInput::skip_white_space() {
  for (;;) {
    while (decimal::is_space(*next_)) ++next_;
    if (next_ != end_) return true;
    if (ended_ || !refill()) return false;
  }
}

// The number at next_ runs to the end of the buffer: keep it and read on. A token never outgrows
// the buffer: past a few bytes, a run of leading zeros is folded to one zero, which reads the same
// and leaves the sign and significant digits (at most ten, or the read has failed) in place.
void ConsoleInput::keep_token_and_refill() {
  constexpr std::ptrdiff_t kept_as_is = 32;
  if (end_ - next_ > kept_as_is) {
    char* out = data();
    const char* in = next_;
    if (*in == '-' || *in == '+') *out++ = *in++;
    if (*in == '0') {
      *out++ = '0';
      while (*in == '0') ++in;
    }
    const auto digits = static_cast<std::size_t>(end_ - in);
    std::memmove(out, in, digits);
    next_ = data();
    end_ = out + digits;
    *end_ = '\0';
  }
  refill();
}

// Moves what is unread to the front and reads more after it. False when the input has ended.
bool ConsoleInput::refill() {
  const auto kept = static_cast<std::size_t>(end_ - next_);
  std::memmove(data(), next_, kept);
  next_ = data();
  end_ = next_ + kept;
  *end_ = '\0';
  output_.flush();
  const ReadResult got = source_.read_some({end_, data() + capacity});
  if (got.error != 0) throw std::system_error(got.error, std::generic_category(), read_error);
  if (got.bytes == 0) {
    ended_ = true;
    return false;
  }
  end_ += got.bytes;
  *end_ = '\0';
  return true;
}

}  // namespace number_list
