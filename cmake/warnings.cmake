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
            -Wuseless-cast>)

# Release programs carry the little of the C++ runtime they use instead of loading and relocating
# libstdc++ at every start: that was a third of the fixed cost of a run, and a run is often short.
function(numberlist_program_link_options target)
  target_link_options(${target} PRIVATE
                      $<$<AND:$<CONFIG:Release>,$<CXX_COMPILER_ID:GNU>>:-static-libstdc++ -static-libgcc>)
endfunction()
