// The number list over the C heap (malloc or aligned_alloc, realloc, free): realloc lets the
// heap grow or remap the block in place instead of copying the values.
#include "number_list/number_list.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace number_list {
namespace {

constexpr std::size_t huge_page = std::size_t{2} << 20;

// A long list is filled front to back, so it is best held in huge pages: one page fault every
// 2 MiB instead of every 4 KiB (a fault costs microseconds on a virtual machine). Its block is
// whole huge pages on a huge-page boundary, so that none of its pages share a huge page with
// malloc's own header; a list of less than half a huge page is asked for as it is. Where the
// rounded-up block can't be had, the list's own size is asked for before giving up, so that
// every list the heap can hold is still obtained.
constexpr std::size_t long_list_bytes = huge_page / 2;
std::size_t block_bytes(std::size_t list_bytes) {
  if (list_bytes < long_list_bytes) return list_bytes;
  return list_bytes + (huge_page - list_bytes % huge_page) % huge_page;
}

// A block of whole huge pages for a long list; nothing for a short one or when it can't be had.
void* huge_page_block(std::size_t list_bytes) {
  if (list_bytes < long_list_bytes) return nullptr;
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): the block is resized with realloc
  return std::aligned_alloc(huge_page, block_bytes(list_bytes));
}

void* obtain_block(std::size_t list_bytes) {
  if (void* block = huge_page_block(list_bytes)) return block;
  return std::malloc(list_bytes);  // NOLINT(cppcoreguidelines-no-malloc): as above
}

void* regrown_block(void* block, std::size_t list_bytes) {
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): may grow or remap without a copy
  if (void* regrown = std::realloc(block, block_bytes(list_bytes))) return regrown;
  if (block_bytes(list_bytes) == list_bytes) return nullptr;
  return std::realloc(block, list_bytes);  // NOLINT(cppcoreguidelines-no-malloc): as above
}

// The address range of the mapping that holds `address`, from /proc/self/maps.
struct Mapping {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
};
std::optional<Mapping> mapping_holding(std::uintptr_t address) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    Mapping m;
    const char* const text = line.c_str();
    const char* const dash = std::strchr(text, '-');
    if (dash == nullptr) break;
    if (std::from_chars(text, dash, m.start, 16).ec != std::errc{} ||
        std::from_chars(dash + 1, text + line.size(), m.end, 16).ec != std::errc{}) {
      break;
    }
    if (m.start <= address && address < m.end) return m;
  }
  return std::nullopt;
}

// Asks for huge pages for the mapping that holds a long list. The advice goes to the whole
// mapping: advice on part of one splits it, and realloc can't then move it to grow the list, so
// it would copy every value instead. Pages nobody writes are still never touched.
void prefer_huge_pages(void* block, std::size_t bytes) {
  if (bytes < long_list_bytes) return;
  const auto first = reinterpret_cast<std::uintptr_t>(block);
  const std::optional<Mapping> mapping = mapping_holding(first);
  // A block that is not a mapping of its own (one in the heap's arena) is left as it is; the
  // block's own may hold up to a huge page of rounding and another of alignment besides.
  if (!mapping || mapping->end - first < bytes ||
      mapping->end - mapping->start > bytes + 3 * huge_page) {
    return;
  }
  // Only advice: where the kernel does not take it, nothing changes.
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the start of a mapping of ours
  ::madvise(reinterpret_cast<void*>(mapping->start), mapping->end - mapping->start, MADV_HUGEPAGE);
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
  auto* values = static_cast<std::int32_t*>(obtain_block(*bytes));
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

// A list that at least doubles into a long one moves to a fresh block of huge pages, its entered
// values copied: realloc would move the mapping wherever it fits, and the new part would take a
// page fault every 4 KiB, which costs more than the copy. Since the new part is at least as large
// as the old list, the copy never needs more memory than the filled list will. Nothing when that
// does not apply or the block can't be had: realloc then grows the list instead.
std::int32_t* NumberList::moved_to_fresh_block(std::size_t list_bytes, std::int64_t total) {
  if (total < std::int64_t{2} * size_) return nullptr;
  auto* values = static_cast<std::int32_t*>(huge_page_block(list_bytes));
  if (values == nullptr) return nullptr;
  prefer_huge_pages(values, list_bytes);
  std::copy_n(values_, entered_, values);
  std::free(values_);  // NOLINT(cppcoreguidelines-no-malloc): owned since malloc
  return values;
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
  std::int32_t* values = moved_to_fresh_block(*bytes, total);
  if (values == nullptr) {
    values = static_cast<std::int32_t*>(regrown_block(values_, *bytes));
    if (values == nullptr) return false;
    prefer_huge_pages(values, *bytes);
  }
  values_ = values;
  size_ = static_cast<Position>(total);
  entered_ = std::min(entered_, size_);
  return true;
}

}  // namespace number_list
