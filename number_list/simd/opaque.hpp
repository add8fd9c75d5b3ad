// Vector constants the compiler may not take apart. For the x86-64 kernels only.
#pragma once

#include <immintrin.h>

namespace number_list::simd {

// Makes `v` a value the compiler cannot see into. GCC turns a 16-bit multiply by a constant
// with few set bits (10, 100, 2559) into shifts and adds, three to six instructions where the
// multiply is one, and on busy vector units that costs more than it saves; a multiplier hidden
// first stays a multiply: the SSE2 build's reverselist 6 % faster, extendlist 3 % (with AVX2 on
// Zen 3 it makes no difference). One for each register width, each with the instructions that
// width needs.
[[gnu::always_inline]] inline void hide(__m128i& v) { asm("" : "+x"(v)); }
[[gnu::always_inline, gnu::target("avx2")]] inline void hide(__m256i& v) { asm("" : "+x"(v)); }
[[gnu::always_inline, gnu::target("avx512f")]] inline void hide(__m512i& v) { asm("" : "+v"(v)); }

}  // namespace number_list::simd
