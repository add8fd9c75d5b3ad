# What `cmake --install` puts where, and the Debian package built from the same tree.
include(GNUInstallDirs)

install(TARGETS extendlist reverselist RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (--strip, and the package) drops the compiler's version notes too, as
# Debian's own packages do.
foreach(program extendlist reverselist)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(
        COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endforeach()

# Installs `file` gzipped as Debian wants it: best compression, no name or time stamp inside, so
# that two builds give the same bytes.
function(numberlist_install_gzipped file destination name)
  add_custom_command(
    OUTPUT ${file}.gz
    COMMAND gzip -9nkf ${file}
    DEPENDS ${file}
    VERBATIM)
  get_filename_component(stem ${file} NAME)
  add_custom_target(gzip-${stem} ALL DEPENDS ${file}.gz)
  install(FILES ${file}.gz DESTINATION ${destination} RENAME ${name})
endfunction()

# The manual pages carry the version in their footer.
foreach(page extendlist reverselist)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1.in ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  numberlist_install_gzipped(${PROJECT_BINARY_DIR}/man/${page}.1 ${CMAKE_INSTALL_MANDIR}/man1
                             ${page}.1.gz)
endforeach()

set(numberlist_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
configure_file(${PROJECT_SOURCE_DIR}/CHANGELOG ${PROJECT_BINARY_DIR}/doc/changelog COPYONLY)
numberlist_install_gzipped(${PROJECT_BINARY_DIR}/doc/changelog ${numberlist_doc_dir} changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${numberlist_doc_dir})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${PROJECT_NAME})

include(cmake/package.cmake)
