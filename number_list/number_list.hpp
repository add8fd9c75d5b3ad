// The number list: one block of int32 values, owned from allocation to release.
// Positions get their values in order from the value entry; a position never entered reads as 0
// without the block being touched, so a long list left unanswered costs no memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace number_list {

using Position = std::int32_t;

// The bytes a block of `count` values takes, or nothing when that is no block the heap could give:
// a negative count, or a size beyond what std::size_t or a pointer difference can hold (on 32-bit
// machines a count of 2^30 would otherwise wrap to a 0-byte block).
std::optional<std::size_t> byte_size_for(std::int64_t count);

class NumberList {
 public:
  // A list with room for `count` values, or nothing when the heap can't give it (any negative
  // count included). A count of 0 gives an empty list and takes no memory.
  static std::optional<NumberList> allocate(std::int32_t count);

  NumberList(NumberList&& other) noexcept { swap(other); }
  NumberList& operator=(NumberList&& other) noexcept;
  NumberList(const NumberList&) = delete;
  NumberList& operator=(const NumberList&) = delete;
  ~NumberList();

  // Makes room for exactly `total` values, keeping those below both sizes; a total of 0 or less
  // leaves the list empty. False, with the list as it was, when the heap can't give the room or
  // the total exceeds the int32 range.
  bool resize(std::int64_t total);

  Position size() const { return size_; }

  // The positions first <= position < end (end <= size()) for the value entry to fill in order;
  // each counts as entered once entered_up_to() says so. Positions skipped over become 0.
  std::span<std::int32_t> positions_to_enter(Position first, Position end) {
    if (first > entered_) std::fill(values_ + entered_, values_ + first, 0);
    entered_ = std::max(entered_, first);
    return {values_ + first, static_cast<std::size_t>(end - first)};
  }
  void entered_up_to(Position end) { entered_ = std::max(entered_, end); }

  // The values entered, from position 0; every position from entered().size() on holds 0.
  std::span<const std::int32_t> entered() const {
    return {values_, static_cast<std::size_t>(entered_)};
  }

 private:
  NumberList(std::int32_t* values, Position size, std::size_t mapped_bytes)
      : values_(values), size_(size), mapped_bytes_(mapped_bytes) {}
  void swap(NumberList& other) noexcept;

  std::int32_t* values_ = nullptr;
  Position size_ = 0;
  Position entered_ = 0;
  std::size_t mapped_bytes_ = 0;  // the length of a long list's own mapping; 0 for a malloc block
};

}  // namespace number_list
