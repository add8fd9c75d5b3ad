// Buffered console streams.
#include "number_list/console.hpp"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace number_list {

void ConsoleOutput::write(std::string_view text) {
  while (!text.empty()) {
    const auto free = static_cast<std::size_t>(buffer_.data() + capacity - next_);
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
  if (text.size() > capacity / 2) {
    for (; times > 0; --times) write(text);
    return;
  }
  while (times > 0) {
    const auto free = static_cast<std::size_t>(buffer_.data() + capacity - next_);
    const std::size_t fit = std::min(times, free / text.size());
    if (fit == 0) {
      flush();
      continue;
    }
    // One copy, then the copies made so far copied again, doubling.
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

void ConsoleOutput::flush() {
  const auto size = static_cast<std::size_t>(next_ - buffer_.data());
  if (size == 0) return;
  next_ = buffer_.data();
  if (const int error = sink_.write_all({buffer_.data(), size}); error != 0) {
    throw std::system_error(error, std::generic_category(), write_error);
  }
}

ConsoleInput::ConsoleInput(ByteSource& source, ConsoleOutput& output)
    : source_(source), output_(output) {}

bool ConsoleInput::read_int_across_refills(std::int32_t& value) {
  if (!skip_white_space()) return fail();
  for (;;) {
    const decimal::Scan scan = decimal::scan_int(next_, end_, ended_);
    switch (scan.status) {
      case decimal::ScanStatus::parsed:
        return take(scan, next_, value);
      case decimal::ScanStatus::invalid:
        return fail();
      case decimal::ScanStatus::incomplete:
        keep_token_and_refill();
        break;
    }
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
// and leaves the sign and significant digits (at most ten, or the scan has failed) in place.
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
