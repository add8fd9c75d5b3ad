# A manual page must format without a single groff warning and show the version in its footer.
#   cmake -DPAGE=... -DVERSION=... -P man_page_test.cmake
execute_process(COMMAND groff -man -ww -z ${PAGE} ERROR_VARIABLE warnings RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff on ${PAGE}: status ${status}\n${warnings}")
endif()
file(READ ${PAGE} text)
if(NOT text MATCHES "\"numberlist ${VERSION}\"")
  message(FATAL_ERROR "${PAGE} does not name version ${VERSION}")
endif()
