// The kernel sets built in, and the choice among them, made once when a console is set up.
#include "number_list/simd/kernels.hpp"

#include <array>

#include "number_list/simd/kernel_sets.hpp"

namespace number_list::simd {
namespace {

#define NUMBERLIST_KERNELS(isa) \
  Kernels { #isa, isa::runs_here, isa::classify, isa::convert, isa::format }

constexpr std::array compiled {
  NUMBERLIST_KERNELS(portable),
#if defined(__x86_64__)
      NUMBERLIST_KERNELS(sse2),
#if defined(NUMBERLIST_DISPATCH)
      NUMBERLIST_KERNELS(avx2), NUMBERLIST_KERNELS(avx512),
#endif
#endif
};

#undef NUMBERLIST_KERNELS

}  // namespace

std::span<const Kernels> compiled_kernels() { return compiled; }

const Kernels& fastest_kernels() {
  // Listed from the plainest to the fastest: the last that runs here wins.
  const Kernels* fastest = &compiled.front();
  for (const Kernels& kernels : compiled) {
    if (kernels.runs_here()) fastest = &kernels;
  }
  return *fastest;
}

}  // namespace number_list::simd
