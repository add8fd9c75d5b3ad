// The x86-64 baseline kernels: sixteen bytes a step, which every x86-64 machine has.
#include "number_list/simd/generic/dependencies.hpp"
#include "number_list/simd/sse2_vec.hpp"

namespace number_list::simd::sse2 {
namespace {

#include "number_list/simd/generic/kernels.hpp"

}  // namespace

bool runs_here() { return true; }  // part of x86-64 itself

extern const Kernels kernels{"sse2",  runs_here,     find_ends,     portable::flatten,
                             convert, format_values, portable::pack};

}  // namespace number_list::simd::sse2
