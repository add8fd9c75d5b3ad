// The arm64 kernels: sixteen bytes a step in NEON (Advanced SIMD), which every ARMv8-A processor
// has.
#include <arm_neon.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/neon_vec.hpp"
#include "number_list/simd/number_ends.hpp"
#include "number_list/simd/number_text.hpp"

namespace number_list::simd::neon {
namespace {

#include "number_list/simd/generic/kernels.hpp"

}  // namespace

bool runs_here() { return true; }  // part of every ARMv8-A processor

extern const Kernels kernels{"neon",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::neon
