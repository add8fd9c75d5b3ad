// The number list over malloc, realloc and free: realloc lets the heap grow or remap the block in
// place instead of copying the values.
#include "number_list/number_list.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

namespace number_list {
namespace {

// A long list is filled front to back: ask for huge pages, so that filling it takes one page
// fault every 2 MiB instead of every 4 KiB. Pages nobody writes are still never touched.
// The advice covers every page the block touches, not just its whole huge pages: advice on part
// of a mapping splits it in two, and realloc can't then move the mapping to grow the list, so it
// would copy every value instead.
void prefer_huge_pages(void* block, std::size_t bytes) {
  constexpr std::uintptr_t huge_page = std::uintptr_t{2} << 20;
  const auto first = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t last = first + bytes;
  if ((last & ~(huge_page - 1)) <= ((first + huge_page - 1) & ~(huge_page - 1))) return;
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t start = first & ~(page - 1);
  const std::uintptr_t end = (last + page - 1) & ~(page - 1);
  // Only advice: where the kernel does not take it, nothing changes.
  // NOLINTNEXTLINE(performance-no-int-to-ptr): a page-aligned address of the block's pages
  ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace

std::optional<std::size_t> byte_size_for(std::int64_t count) {
  constexpr auto largest = static_cast<std::uint64_t>(std::min<std::uintmax_t>(
      std::numeric_limits<std::size_t>::max(), static_cast<std::uintmax_t>(PTRDIFF_MAX)));
  if (count < 0 || static_cast<std::uint64_t>(count) > largest / sizeof(std::int32_t)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(count) * sizeof(std::int32_t);
}

std::optional<NumberList> NumberList::allocate(std::int32_t count) {
  const std::optional<std::size_t> bytes = byte_size_for(count);
  if (!bytes) return std::nullopt;
  if (*bytes == 0) return NumberList(nullptr, 0);
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): the block is resized with realloc
  auto* values = static_cast<std::int32_t*>(std::malloc(*bytes));
  if (values == nullptr) return std::nullopt;
  prefer_huge_pages(values, *bytes);
  return NumberList(values, count);
}

NumberList::NumberList(NumberList&& other) noexcept
    : values_(std::exchange(other.values_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      entered_(std::exchange(other.entered_, 0)) {}

NumberList& NumberList::operator=(NumberList&& other) noexcept {
  if (this != &other) {
    std::free(values_);  // NOLINT(cppcoreguidelines-no-malloc): owned since malloc
    values_ = std::exchange(other.values_, nullptr);
    size_ = std::exchange(other.size_, 0);
    entered_ = std::exchange(other.entered_, 0);
  }
  return *this;
}

NumberList::~NumberList() {
  std::free(values_);  // NOLINT(cppcoreguidelines-no-malloc): owned since malloc
}

bool NumberList::resize(std::int64_t total) {
  if (total > std::numeric_limits<Position>::max()) return false;
  if (total <= 0) {
    *this = NumberList(nullptr, 0);
    return true;
  }
  const std::optional<std::size_t> bytes = byte_size_for(total);
  if (!bytes) return false;
  // Never 0 bytes here, which realloc would take as a free. On failure the old block stays ours.
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): may grow or remap without a copy
  auto* values = static_cast<std::int32_t*>(std::realloc(values_, *bytes));
  if (values == nullptr) return false;
  prefer_huge_pages(values, *bytes);
  values_ = values;
  size_ = static_cast<Position>(total);
  entered_ = std::min(entered_, size_);
  return true;
}

}  // namespace number_list
