// The kernel sets built in, and the choice among them, made once when a console is set up.
#include "number_list/simd/kernels.hpp"

#include <algorithm>
#include <array>

#include "number_list/simd/kernel_sets.hpp"

namespace number_list::simd {
namespace {

// Every kernel set this library is built with, from the plainest to the fastest, as
// number_list/CMakeLists.txt lists them: the last that runs here is the one used.
constexpr std::array compiled = {
    &portable::kernels,
#include "number_list/simd/kernel_list.inc"
};

}  // namespace

std::span<const Kernels* const> compiled_kernels() { return compiled; }

// The portable set runs everywhere, so one is always found.
const Kernels& fastest_kernels() {
  return **std::find_if(compiled.rbegin(), compiled.rend(),
                        [](const Kernels* kernels) { return kernels->runs_here(); });
}

}  // namespace number_list::simd
