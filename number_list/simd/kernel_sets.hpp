// Each instruction set's kernels, defined at the end of its own file, and the kernels that other
// sets reuse. Only the kernel files, kernels.cpp and the kernels' own tests include this.
#pragma once

#include <cstddef>
#include <cstdint>

#include "number_list/simd/kernels.hpp"

namespace number_list::simd {

namespace portable {
extern const Kernels kernels;
// A bit at a time, and a text at a time: every set but the VBMI2 one uses them too.
std::size_t flatten(const std::uint64_t* bits, std::size_t blocks, std::uint32_t base,
                    std::uint32_t* offsets);
char* pack(const FormattedValues& formatted, std::size_t count, char* out);
}  // namespace portable

namespace sse2 {
extern const Kernels kernels;
}  // namespace sse2

namespace avx2 {
extern const Kernels kernels;
}  // namespace avx2

namespace avx512 {
extern const Kernels kernels;
// The VBMI2 set takes these as they are.
bool runs_here();
std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends);
std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values);
void format(const std::int32_t* values, std::size_t count, FormattedValues& out);
}  // namespace avx512

namespace avx512_vbmi2 {
extern const Kernels kernels;
}  // namespace avx512_vbmi2

namespace neon {
extern const Kernels kernels;
}  // namespace neon

}  // namespace number_list::simd
