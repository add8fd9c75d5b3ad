// The kernel sets built in, and the choice among them, made once when a console is set up.
#include "number_list/simd/kernels.hpp"

#include <array>

#include "number_list/simd/kernel_sets.hpp"

namespace number_list::simd {
namespace {

constexpr std::array compiled {
  Kernels{"portable",        portable::runs_here, portable::find_ends, portable::flatten,
          portable::convert, portable::format,    portable::pack},
#if defined(__x86_64__)
      Kernels{"sse2",        sse2::runs_here, sse2::find_ends, portable::flatten,
              sse2::convert, sse2::format,    portable::pack},
#if defined(NUMBERLIST_DISPATCH)
      Kernels{"avx2",        avx2::runs_here, avx2::find_ends, portable::flatten,
              avx2::convert, avx2::format,    portable::pack},
#if defined(NUMBERLIST_DISPATCH_AVX512)
      Kernels{"avx512",        avx512::runs_here, avx512::find_ends, portable::flatten,
              avx512::convert, avx512::format,    portable::pack},
      Kernels{"avx512vbmi2",   avx512_vbmi2::runs_here, avx512::find_ends, avx512_vbmi2::flatten,
              avx512::convert, avx512::format,          avx512_vbmi2::pack},
#endif
#endif
#endif
};

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
