// What the generic kernel steps (kernels.hpp beside this) use. A kernel set includes this once
// at its top, then its layer and the steps inside its own namespace, where no header may go.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "number_list/simd/kernel_sets.hpp"
#include "number_list/simd/number_ends.hpp"
#include "number_list/simd/number_text.hpp"
