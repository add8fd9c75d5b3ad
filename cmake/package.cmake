# The Debian package (cmake --workflow --preset package) and the source tarball.
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
set(CPACK_STRIP_FILES ON)

# Every time stamp in the package is the release date (or SOURCE_DATE_EPOCH where the build sets
# one), so two builds of a commit give the same bytes. Days since 1970 from the date, after
# Howard Hinnant's days_from_civil.
string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-0?([0-9]+)$" numberlist_date_parts ${NUMBERLIST_DATE})
set(year ${CMAKE_MATCH_1})
set(month ${CMAKE_MATCH_2})
set(day ${CMAKE_MATCH_3})
if(month LESS_EQUAL 2)  # the year counted from March, so that leap days come last
  math(EXPR year "${year} - 1")
  math(EXPR month "${month} + 9")
else()
  math(EXPR month "${month} - 3")
endif()
math(EXPR era "${year} / 400")
math(EXPR year_of_era "${year} - ${era} * 400")
math(EXPR day_of_year "(153 * ${month} + 2) / 5 + ${day} - 1")
math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
math(EXPR NUMBERLIST_SOURCE_DATE_EPOCH "(${era} * 146097 + ${day_of_era} - 719468) * 86400")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/cpack_project_config.cmake)
# Read by cpack for each generator it runs: only the Debian package installs under /usr.
file(WRITE ${CPACK_PROJECT_CONFIG_FILE}
     "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n"
     "  set(ENV{SOURCE_DATE_EPOCH} ${NUMBERLIST_SOURCE_DATE_EPOCH})\n"
     "endif()\n"
     "if(CPACK_GENERATOR STREQUAL \"DEB\")\n"
     "  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)\n"
     "endif()\n")

# The release tarball (cmake --workflow --preset dist): the source tree as a build needs it, with
# no build folders, version control or editor files. The patterns are regular expressions written
# into CPack's own configuration, hence the doubled escapes.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES
    "/\\\\.git/" "/\\\\.git$" "/\\\\.gitignore$" "/\\\\.ci/" "/build/" "/build-[^/]*/" "~$"
    "\\\\.sw[op]$" "/\\\\.#" "/#[^/]*#$" "/\\\\.vscode/" "/\\\\.idea/" "/\\\\.cache/")

include(CPack)
