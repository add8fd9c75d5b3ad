// The arm64 kernels: sixteen bytes a step in NEON (Advanced SIMD), which every ARMv8-A processor
// has.
#include "number_list/simd/generic/dependencies.hpp"
#include "number_list/simd/neon_vec.hpp"

namespace number_list::simd::neon {
namespace {

#include "number_list/simd/generic/kernels.hpp"

}  // namespace

bool runs_here() { return true; }  // part of every ARMv8-A processor

extern const Kernels kernels{"neon",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::neon
