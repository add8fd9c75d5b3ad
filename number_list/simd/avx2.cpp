// Kernels for x86-64 machines with AVX2: thirty-two bytes a step, four numbers converted and eight
// values formatted at once.
// Built with the baseline's flags: only the functions inside the target region use AVX2, and
// they run only where runs_here() says the machine has it.
#include "number_list/simd/generic/dependencies.hpp"

namespace number_list::simd::avx2 {

// Built for the baseline, as the dispatcher that calls it.
bool runs_here() { return __builtin_cpu_supports("avx2"); }

}  // namespace number_list::simd::avx2

// Every function from here to the end of the region is built for AVX2.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): pragma text, which no constant can give
#define NUMBER_LIST_TARGET "avx2"
#include "number_list/simd/target_region_begin.hpp"
// Inside the region: the layer is built for AVX2 too.
#include "number_list/simd/avx2_vec.hpp"

namespace number_list::simd::avx2 {
namespace {

#include "number_list/simd/generic/kernels.hpp"

}  // namespace

extern const Kernels kernels{"avx2",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::avx2

#include "number_list/simd/target_region_end.hpp"
