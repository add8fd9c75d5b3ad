// Runs a test's checks once with every kernel set this machine can execute, and says which sets
// it skipped because the machine lacks their instructions.
#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "number_list/simd/kernels.hpp"

namespace test_support {

template <class Check>
void for_each_kernel_set(Check check) {
  std::string skipped;
  for (const number_list::simd::Kernels* set : number_list::simd::compiled_kernels()) {
    const number_list::simd::Kernels& kernels = *set;
    if (!kernels.runs_here()) {
      skipped += skipped.empty() ? "" : " ";
      skipped += kernels.name;
      continue;
    }
    SCOPED_TRACE(testing::Message() << "kernels: " << kernels.name);
    check(kernels);
  }
  if (!skipped.empty()) {
    testing::Test::RecordProperty("skipped_kernels", skipped);
    std::cout << "[ KERNELS  ] skipped, not on this machine: " << skipped << '\n';
  }
}

}  // namespace test_support
