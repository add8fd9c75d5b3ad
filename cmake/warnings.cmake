# Warnings every target of the project compiles with; turning them into errors is a preset's job.
add_library(numberlist_warnings INTERFACE)
target_compile_options(
  numberlist_warnings
  INTERFACE -Wall
            -Wextra
            -Wpedantic
            -Wshadow
            -Wconversion
            -Wsign-conversion
            -Wold-style-cast
            -Wnon-virtual-dtor
            -Woverloaded-virtual
            -Wnull-dereference
            -Wformat=2
            -Wimplicit-fallthrough
            $<$<CXX_COMPILER_ID:GNU>:-Wduplicated-cond
            -Wduplicated-branches
            -Wlogical-op
            -Wuseless-cast>
            # GCC 12 reports overlaps that cannot happen in std::string's operator+ at -O2 and
            # above (GCC bug 105651, fixed in 13); it breaks 32-bit builds of the tests.
            $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
