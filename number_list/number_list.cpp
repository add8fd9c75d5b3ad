// The number list's memory: a short list is a malloc block, resized by realloc; a long one is a
// mapping of its own, grown by mremap, which moves its pages instead of copying the values.
#include "number_list/number_list.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

namespace number_list {
namespace {

// A long list is filled front to back, so it is best held in huge pages: one page fault every
// 2 MiB instead of every 4 KiB (a fault costs microseconds on a virtual machine). Its mapping is
// whole huge pages on a huge-page boundary, advised for huge pages as a whole; pages nobody
// writes are still never touched. A list of less than half a huge page comes from malloc.
constexpr std::size_t huge_page = std::size_t{2} << 20;
constexpr std::size_t long_list_bytes = huge_page / 2;

bool is_long(std::size_t list_bytes) { return list_bytes >= long_list_bytes; }

std::size_t whole_huge_pages(std::size_t bytes) {
  return bytes + (huge_page - bytes % huge_page) % huge_page;
}

void* map_anonymous(std::size_t bytes) {
  void* const mapping =
      ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return mapping == MAP_FAILED ? nullptr : mapping;
}

// `bytes` (whole huge pages) of fresh mapping on a huge-page boundary: a huge page more is mapped
// and what lies outside the boundaries is given back.
void* map_aligned(std::size_t bytes) {
  if (bytes > std::numeric_limits<std::size_t>::max() - huge_page) return nullptr;
  auto* const mapped = static_cast<char*>(map_anonymous(bytes + huge_page));
  if (mapped == nullptr) return nullptr;
  const std::size_t lead =
      (huge_page - reinterpret_cast<std::uintptr_t>(mapped) % huge_page) % huge_page;
  if (lead > 0) ::munmap(mapped, lead);
  ::munmap(mapped + lead + bytes, huge_page - lead);
  return mapped + lead;
}

// The mapping that a long list of `list_bytes` takes: `bytes` long, whole huge pages where they
// can be had, the list's own size where they can't.
struct Mapping {
  void* start = nullptr;
  std::size_t bytes = 0;
};
Mapping map_list(std::size_t list_bytes) {
  Mapping m{map_aligned(whole_huge_pages(list_bytes)), whole_huge_pages(list_bytes)};
  if (m.start == nullptr) m = {map_anonymous(list_bytes), list_bytes};
  // Only advice: where the kernel does not take it, nothing changes.
  if (m.start != nullptr) ::madvise(m.start, m.bytes, MADV_HUGEPAGE);
  return m;
}

// `old` made to hold `list_bytes`: shrunk by giving back the whole huge pages past the new end;
// grown in place where the addresses after it are free, else moved whole to a fresh huge-page
// boundary, else moved wherever the kernel finds room. The values are never copied. Nothing,
// with `old` as it was, when no room can be had.
Mapping remapped(Mapping old, std::size_t list_bytes) {
  if (list_bytes <= old.bytes) {
    // munmap rather than a shrinking mremap, which qemu-user (7.2) gets wrong for 32-bit guests.
    const std::size_t kept = std::min(whole_huge_pages(list_bytes), old.bytes);
    if (kept < old.bytes) ::munmap(static_cast<char*>(old.start) + kept, old.bytes - kept);
    return {old.start, kept};
  }
  Mapping m{nullptr, whole_huge_pages(list_bytes)};
  void* moved = ::mremap(old.start, old.bytes, m.bytes, 0);
  if (moved == MAP_FAILED) {
    if (void* const target = map_aligned(m.bytes)) {
      moved = ::mremap(old.start, old.bytes, m.bytes, MREMAP_MAYMOVE | MREMAP_FIXED, target);
      if (moved == MAP_FAILED) ::munmap(target, m.bytes);
    }
  }
  if (moved == MAP_FAILED) {
    m.bytes = list_bytes;
    moved = ::mremap(old.start, old.bytes, m.bytes, MREMAP_MAYMOVE);
  }
  if (moved == MAP_FAILED) return {};
  m.start = moved;
  ::madvise(m.start, m.bytes, MADV_HUGEPAGE);
  return m;
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
  if (*bytes == 0) return NumberList(nullptr, 0, 0);
  if (is_long(*bytes)) {
    const Mapping m = map_list(*bytes);
    if (m.start == nullptr) return std::nullopt;
    return NumberList(static_cast<std::int32_t*>(m.start), count, m.bytes);
  }
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): the block is resized with realloc
  auto* const values = static_cast<std::int32_t*>(std::malloc(*bytes));
  if (values == nullptr) return std::nullopt;
  return NumberList(values, count, 0);
}

NumberList& NumberList::operator=(NumberList&& other) noexcept {
  NumberList old(std::move(*this));  // released on return
  swap(other);
  return *this;
}

void NumberList::swap(NumberList& other) noexcept {
  std::swap(values_, other.values_);
  std::swap(size_, other.size_);
  std::swap(entered_, other.entered_);
  std::swap(mapped_bytes_, other.mapped_bytes_);
}

NumberList::~NumberList() {
  if (mapped_bytes_ != 0) {
    ::munmap(values_, mapped_bytes_);
  } else {
    std::free(values_);  // NOLINT(cppcoreguidelines-no-malloc): owned since malloc
  }
}

bool NumberList::resize(std::int64_t total) {
  if (total > std::numeric_limits<Position>::max()) return false;
  if (total <= 0) {
    *this = NumberList(nullptr, 0, 0);
    return true;
  }
  const std::optional<std::size_t> bytes = byte_size_for(total);
  if (!bytes) return false;
  const bool was_long = mapped_bytes_ != 0;
  if (was_long == is_long(*bytes)) {
    // Never 0 bytes here, which realloc would take as a free. On failure the old block stays ours.
    if (was_long) {
      const Mapping m = remapped({values_, mapped_bytes_}, *bytes);
      if (m.start == nullptr) return false;
      values_ = static_cast<std::int32_t*>(m.start);
      mapped_bytes_ = m.bytes;
    } else {
      // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): may grow in place without a copy
      auto* const values = static_cast<std::int32_t*>(std::realloc(values_, *bytes));
      if (values == nullptr) return false;
      values_ = values;
    }
  } else {
    // Between the two kinds of block, the values entered are copied into the new one.
    std::optional<NumberList> moved = allocate(static_cast<Position>(total));
    if (!moved) return false;
    std::copy_n(values_, std::min(entered_, moved->size_), moved->values_);
    moved->entered_ = std::min(entered_, moved->size_);
    *this = std::move(*moved);
    return true;
  }
  size_ = static_cast<Position>(total);
  entered_ = std::min(entered_, size_);
  return true;
}

}  // namespace number_list
