// Opens the region of a kernel set's file in which every function is built for the instructions
// that NUMBER_LIST_TARGET names ("avx2"); target_region_end.hpp closes it. The file itself is built
// with the baseline's flags, so that the rest of it (what the dispatcher calls first, and the
// library's inline functions) runs on any machine. Named once for both compilers, as simdjson's
// SIMDJSON_TARGET_REGION does it.
// NOLINTBEGIN(cppcoreguidelines-macro-usage): a pragma's text is only made by a macro
#define NUMBER_LIST_PRAGMA_TEXT(...) #__VA_ARGS__
#define NUMBER_LIST_PRAGMA(...) _Pragma(NUMBER_LIST_PRAGMA_TEXT(__VA_ARGS__))
// NOLINTEND(cppcoreguidelines-macro-usage)
#if defined(__clang__)
NUMBER_LIST_PRAGMA(clang attribute push(__attribute__((target(NUMBER_LIST_TARGET))),
                                        apply_to = function))
#else
#pragma GCC push_options
NUMBER_LIST_PRAGMA(GCC target(NUMBER_LIST_TARGET))
#endif
