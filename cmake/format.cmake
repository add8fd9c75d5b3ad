# `format-check` fails on any source that clang-format would change; `format` rewrites them.
find_program(CLANG_FORMAT clang-format)
if(CLANG_FORMAT)
  file(GLOB_RECURSE numberlist_sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/number_list/*.[ch]pp ${PROJECT_SOURCE_DIR}/extendlist/*.[ch]pp
       ${PROJECT_SOURCE_DIR}/reverselist/*.[ch]pp ${PROJECT_SOURCE_DIR}/tests/*.[ch]pp
       ${PROJECT_SOURCE_DIR}/bench/*.[ch]pp ${PROJECT_SOURCE_DIR}/fuzz/*.[ch]pp)
  add_custom_target(format-check COMMAND ${CLANG_FORMAT} --dry-run --Werror ${numberlist_sources}
                    COMMENT "Checking the layout of every source with clang-format")
  add_custom_target(format COMMAND ${CLANG_FORMAT} -i ${numberlist_sources})
endif()
