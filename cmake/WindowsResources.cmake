# Produces UiQuorvix.rc from UiQuorvix.rc.in. The same code serves two callers:
#
#   - the Windows build, through uiq_configure_windows_rc() in
#     src/win32/CMakeLists.txt, with the identity from the top-level
#     project() call;
#   - tests/packaging/windres-check.sh on Linux, which runs this file with
#     `cmake -P`, so it runs without the MinGW compiler:
#         cmake -DUIQ_SOURCE_DIR=<src> -DUIQ_RC_OUTPUT=<file.rc> -P WindowsResources.cmake
#     The identity is then read from the project() call in <src>/CMakeLists.txt,
#     so the check compiles what a Windows build would compile.

set(_uiq_rc_template "${CMAKE_CURRENT_LIST_DIR}/../packaging/UiQuorvix.rc.in")
set(_uiq_rc_icon "${CMAKE_CURRENT_LIST_DIR}/../resources/uiquorvix.ico")
# The version block's LegalCopyright is the licence's own copyright line, so the two never
# tell a user different things.
set(_uiq_licence "${CMAKE_CURRENT_LIST_DIR}/../LICENSE")

# uiq_configure_windows_rc(<output .rc> <name> <version> <description>)
function(uiq_configure_windows_rc output name version description)
  # VERSIONINFO wants four integers; "1.00" must become 1,0,0,0 and not
  # 1,00 (which some resource compilers read as octal or reject).
  string(REPLACE "." ";" parts "${version}")
  set(numbers "")
  foreach(part IN LISTS parts)
    if(NOT part MATCHES "^[0-9]+$")
      message(FATAL_ERROR "uiq_configure_windows_rc: version '${version}' is not dotted numbers")
    endif()
    math(EXPR part "${part} + 0")
    list(APPEND numbers ${part})
  endforeach()
  list(LENGTH numbers count)
  if(count GREATER 4)
    message(FATAL_ERROR "uiq_configure_windows_rc: version '${version}' has more than four parts")
  endif()
  while(count LESS 4)
    list(APPEND numbers 0)
    math(EXPR count "${count} + 1")
  endwhile()
  string(REPLACE ";" "," UIQ_RC_VERSION_COMMAS "${numbers}")

  set(UIQ_RC_NAME "${name}")
  set(UIQ_RC_VERSION "${version}")
  set(UIQ_RC_DESCRIPTION "${description}")
  # The .rc lands in the build tree, so the icon is named by absolute path;
  # forward slashes are accepted by both rc.exe and windres.
  get_filename_component(UIQ_RC_ICON "${_uiq_rc_icon}" ABSOLUTE)
  file(TO_CMAKE_PATH "${UIQ_RC_ICON}" UIQ_RC_ICON)
  if(NOT EXISTS "${UIQ_RC_ICON}")
    message(FATAL_ERROR "uiq_configure_windows_rc: icon ${UIQ_RC_ICON} is missing")
  endif()

  get_filename_component(licence "${_uiq_licence}" ABSOLUTE)
  if(NOT EXISTS "${licence}")
    message(FATAL_ERROR "uiq_configure_windows_rc: the licence ${licence} is missing")
  endif()
  file(STRINGS "${licence}" UIQ_RC_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
  if(UIQ_RC_COPYRIGHT STREQUAL "" OR UIQ_RC_COPYRIGHT MATCHES "\"" OR
     UIQ_RC_COPYRIGHT MATCHES "\\\\")
    message(FATAL_ERROR "uiq_configure_windows_rc: ${licence} has no plain 'Copyright ...' line")
  endif()
  if(NOT CMAKE_SCRIPT_MODE_FILE)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${licence}")
  endif()

  configure_file("${_uiq_rc_template}" "${output}" @ONLY)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT UIQ_SOURCE_DIR OR NOT UIQ_RC_OUTPUT)
    message(FATAL_ERROR "usage: cmake -DUIQ_SOURCE_DIR=<src> -DUIQ_RC_OUTPUT=<file.rc> -P ${CMAKE_CURRENT_LIST_FILE}")
  endif()
  file(READ "${UIQ_SOURCE_DIR}/CMakeLists.txt" top)
  # The first project( ... ) call, which may span several lines.
  if(NOT top MATCHES "(^|\n)[ \t]*project[ \t]*\\(([^)]*)\\)")
    message(FATAL_ERROR "no project() call found in ${UIQ_SOURCE_DIR}/CMakeLists.txt")
  endif()
  set(args "${CMAKE_MATCH_2}")
  if(NOT args MATCHES "^[ \t\r\n]*([A-Za-z0-9_.+-]+)")
    message(FATAL_ERROR "project() call without a name: ${args}")
  endif()
  set(name "${CMAKE_MATCH_1}")
  if(NOT args MATCHES "VERSION[ \t\r\n]+([0-9.]+)")
    message(FATAL_ERROR "project() call without VERSION: ${args}")
  endif()
  set(version "${CMAKE_MATCH_1}")
  if(NOT args MATCHES "DESCRIPTION[ \t\r\n]+\"([^\"]*)\"")
    message(FATAL_ERROR "project() call without a quoted DESCRIPTION: ${args}")
  endif()
  set(description "${CMAKE_MATCH_1}")
  uiq_configure_windows_rc("${UIQ_RC_OUTPUT}" "${name}" "${version}" "${description}")
  message(STATUS "wrote ${UIQ_RC_OUTPUT} for ${name} ${version}")
endif()
