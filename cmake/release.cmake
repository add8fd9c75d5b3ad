# How the release programs are built and linked: the flags a Debian package build would give them,
# and nothing of the build machine's paths, so that two builds of a commit give the same bytes.
set(numberlist_release $<CONFIG:Release>)
add_compile_options(
  # Checked copies and reads where the size is known; the per-value work inlines them away.
  $<${numberlist_release}:-D_FORTIFY_SOURCE=2>
  $<${numberlist_release}:-fstack-protector-strong>
  # Source and build folders do not end up in the programs (assertions, debug information).
  $<${numberlist_release}:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>
  $<${numberlist_release}:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=build/>)

# Release programs carry the little of the C++ runtime they use instead of loading and relocating
# libstdc++ at every start: that was a third of the fixed cost of a run, and a run is often short.
# Relocations are resolved at start and then made read-only (RELRO, BIND_NOW).
function(numberlist_program_link_options target)
  target_link_options(
    ${target} PRIVATE
    $<$<AND:${numberlist_release},$<CXX_COMPILER_ID:GNU>>:-static-libstdc++ -static-libgcc>
    $<${numberlist_release}:-Wl,-z,relro,-z,now>)
endfunction()
