# What `cmake --install` puts where, and the Debian package built from the same tree.
include(GNUInstallDirs)

install(TARGETS extendlist reverselist RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual pages carry the version in their footer.
foreach(page extendlist reverselist)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1.in ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console programs that keep a list of whole numbers")
# CPack puts the summary first and indents each of these lines.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "extendlist asks for some whole numbers, then for more, and lists them all\n"
       "with their positions; reverselist asks for some whole numbers and writes\n"
       "them back in the reverse order of entry. Both read answers typed at a\n"
       "terminal or piped in, and write a fixed dialogue that scripts can rely on.")
set(CPACK_PACKAGE_CONTACT "numberlist maintainers <maintainers@numberlist.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
