// Kernels for x86-64 machines with AVX-512 (F, BW, DQ and CD, as every AVX-512 processor since
// Skylake-SP has them, and BMI2): a whole block classified into mask registers in one step, eight
// numbers converted and sixteen values formatted at once, by the generic kernels over
// avx512_vec.hpp; where VBMI2 is there too (Ice Lake, Zen 4 and later), number ends taken out of
// the masks by a byte compress (avx512_vbmi2.cpp).
// Built with the baseline's flags: only the functions inside the target region use AVX-512, and
// they run only where runs_here() says the machine has it.
#include "number_list/simd/generic/dependencies.hpp"

// GCC 12 takes the deliberately undefined vectors inside its own AVX-512 intrinsics for unset
// ones (GCC bug 105593, fixed in 13).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 13
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

namespace number_list::simd::avx512 {

// Built for the baseline, as the dispatcher that calls it.
bool runs_here() {
  return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq") &&
         __builtin_cpu_supports("avx512cd") && __builtin_cpu_supports("bmi2");
}

}  // namespace number_list::simd::avx512

// Every function from here to the end of the region is built for AVX-512.
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage): pragma text, which no constant can give
#define NUMBER_LIST_TARGET "avx512f,avx512bw,avx512dq,avx512cd,bmi2"
#include "number_list/simd/target_region_begin.hpp"
// Inside the region: the layer is built for AVX-512 too.
#include "number_list/simd/avx512_vec.hpp"

namespace number_list::simd::avx512 {
// In a namespace of its own: the VBMI2 set takes these by name (kernel_sets.hpp).
namespace generic {

#include "number_list/simd/generic/kernels.hpp"

// The windows of one parity found in mask registers: each window reversed within its lane, its
// last byte first, so that its number's digits are the bits below its lowest non-digit, which two
// word operations find in all four windows; its sign is then the bit just above them. Counting
// each window's digits apart, as the generic step does, makes reverselist 16 to 18 % slower on
// a Zen 4 and extendlist 7 to 11 %.
[[gnu::always_inline]] inline Windows masked_windows(const char* data, const std::uint32_t* ends,
                                                     unsigned parity) {
  constexpr std::uint64_t field_lows = 0x0001000100010001;
  constexpr std::uint64_t field_tops = field_lows << 15;
  const vec reverse =
      _mm512_broadcast_i32x4(_mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0));
  const vec bytes = _mm512_shuffle_epi8(load_windows(data, ends + parity, convert_window), reverse);
  const vec values = sub8(bytes, splat8('0'));
  const std::uint64_t non_digits = bits_of(at_least_u8(values, splat8(10)));
  // A window of digits only borrows from the next, whose number comes after it: it stops there.
  const std::uint64_t digits = (non_digits - field_lows) & ~non_digits;
  const std::uint64_t minus = bits_of(equal8(bytes, splat8('-'))) & (digits + field_lows);
  // Window k's flag, from its field's top bit, to number 2k + parity.
  const auto by_number = [parity](std::uint64_t tops) {
    return static_cast<unsigned>(_pdep_u64(_pext_u64(tops, field_tops), 0x55U << parity));
  };
  constexpr std::uint64_t low_fifteen = ~field_tops;
  return {_mm512_shuffle_epi8(_mm512_maskz_mov_epi8(digits, values), reverse),
          by_number(((minus & low_fifteen) + low_fifteen) | minus), by_number(digits)};
}

}  // namespace generic

std::size_t find_ends(const char* bytes, std::size_t count, std::uint64_t* ends) {
  return generic::find_ends(bytes, count, ends);
}
std::size_t convert(const char* data, const std::uint32_t* ends, std::size_t count,
                    std::int32_t* values) {
  return generic::convert<generic::masked_windows>(data, ends, count, values);
}
void format(const std::int32_t* values, std::size_t count, FormattedValues& out) {
  generic::format_values(values, count, out);
}

extern const Kernels kernels{"avx512", runs_here, find_ends,     portable::flatten,
                             convert,  format,    portable::pack};

}  // namespace number_list::simd::avx512

#include "number_list/simd/target_region_end.hpp"
