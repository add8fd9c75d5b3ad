# Installs the build into a staging folder (DESTDIR and a prefix) and checks the tree: both
# programs runnable in bin/, both manual pages (gzipped) in share/man/man1/, the licence and
# changelog in share/doc/numberlist/.
#   cmake -DBUILD_DIR=... -DSTAGE=... [-DEMULATOR=...] -P install_test.cmake
file(REMOVE_RECURSE ${STAGE})
set(ENV{DESTDIR} ${STAGE}/destdir)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /opt/numberlist
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(root ${STAGE}/destdir/opt/numberlist)
foreach(file bin/extendlist bin/reverselist share/man/man1/extendlist.1.gz
             share/man/man1/reverselist.1.gz share/doc/numberlist/copyright
             share/doc/numberlist/changelog.gz)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${EMULATOR} ${root}/bin/reverselist INPUT_FILE ${CMAKE_CURRENT_LIST_DIR}/cases/install_input.txt
                OUTPUT_VARIABLE out RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out STREQUAL "How numbers do you want: [i]= [i]= 2 1 \n")
  message(FATAL_ERROR "installed reverselist wrote \"${out}\" with status ${status}")
endif()
