// Generated sample input for benchmarks: the white space between values, one mix for all.
#pragma once

#include <array>
#include <string_view>

namespace test_support {

inline constexpr std::array<std::string_view, 6> sample_separators = {" ",  "\n",   "\t",
                                                                      "  ", "\r\n", " \n"};

}  // namespace test_support
