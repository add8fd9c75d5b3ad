// The kernels of each instruction set, as kernels.cpp gathers them. Only kernels.cpp and the
// kernels' own tests name these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "number_list/simd/kernels.hpp"

// The same four for each instruction set: a macro, since a template cannot declare a
// namespace.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage)
#define NUMBERLIST_KERNEL_SET(isa)                                                    \
  namespace isa {                                                                     \
  bool runs_here();                                                                   \
  std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends);   \
  std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count, \
                      std::int32_t* values);                                          \
  void format(const std::int32_t* values, std::size_t count, FormattedValues& out);   \
  }

namespace number_list::simd {

NUMBERLIST_KERNEL_SET(portable)
// Unrolled bit by bit, and a text at a time; every x86-64 set but the VBMI2 one uses them too.
namespace portable {
std::size_t flatten(const std::uint64_t* bits, std::size_t blocks, std::uint32_t base,
                    std::uint32_t* offsets);
char* pack(const FormattedValues& formatted, std::size_t count, char* out);
}  // namespace portable
#if defined(__x86_64__)
NUMBERLIST_KERNEL_SET(sse2)
#if defined(NUMBERLIST_DISPATCH)
NUMBERLIST_KERNEL_SET(avx2)
#if defined(NUMBERLIST_DISPATCH_AVX512)
NUMBERLIST_KERNEL_SET(avx512)
// The AVX-512 kernels, with the set bits flattened and the texts packed by a byte compress where
// VBMI2 has it.
namespace avx512_vbmi2 {
bool runs_here();
std::size_t flatten(const std::uint64_t* bits, std::size_t blocks, std::uint32_t base,
                    std::uint32_t* offsets);
char* pack(const FormattedValues& formatted, std::size_t count, char* out);
}  // namespace avx512_vbmi2
#endif
#endif
#endif

}  // namespace number_list::simd

#undef NUMBERLIST_KERNEL_SET
