// Kernels for x86-64 machines with AVX2: thirty-two bytes a step, four numbers converted and eight
// values formatted at once.
// Built with the baseline's flags: only the functions between the target pragmas use AVX2, and
// they run only where runs_here() says the machine has it.
#include "number_list/simd/generic/dependencies.hpp"

namespace number_list::simd::avx2 {

// Built for the baseline, as the dispatcher that calls it.
bool runs_here() { return __builtin_cpu_supports("avx2"); }

}  // namespace number_list::simd::avx2

// Every function from here on is built for AVX2.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "number_list/simd/avx2_vec.hpp"

namespace number_list::simd::avx2 {
namespace {

#include "number_list/simd/generic/kernels.hpp"

}  // namespace

extern const Kernels kernels{"avx2",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::avx2

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
