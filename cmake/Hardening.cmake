# Debian's hardening flags on the Linux programs, as a Debian package is built: fortified
# string and memory functions, a strong stack protector, format checks, and a dynamic
# section made read-only after the libraries are bound at start-up (relro and bind now).
#
# Included from the top-level CMakeLists.txt before any target exists, so every target of
# the Linux build gets them. The flags are asked of dpkg-buildflags, so they are the ones
# this Debian release stands for; without dpkg-buildflags (dpkg-dev) the build goes on
# without them, and the package check's lintian run says so.

include_guard(GLOBAL)

# The sanitizers and libFuzzer replace the very functions that fortify checks, and a
# fortified call hides the overflow that they are there to find.
if(NOT UIQ_HARDENING OR UIQ_SANITIZE OR UIQ_FUZZ OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()
find_program(UIQ_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT UIQ_DPKG_BUILDFLAGS)
  message(STATUS "dpkg-buildflags not found (Debian package dpkg-dev): no hardening flags")
  return()
endif()

# Bind now is not among Debian's defaults; a packager's own DEB_BUILD_MAINT_OPTIONS, given
# after it, still has the last word.
set(uiq_maint_options "hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}")
set(uiq_hardening_compile)
set(uiq_hardening_link)
foreach(variable CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${uiq_maint_options}"
                          ${UIQ_DPKG_BUILDFLAGS} --get ${variable}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  foreach(flag IN LISTS flags)
    # The optimisation and debug information are the build type's to choose, and the
    # prefix maps name the folder CMake happened to run in, not the sources.
    if(flag MATCHES "^-(g|O.*|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
      continue()
    endif()
    if(variable STREQUAL "LDFLAGS")
      list(APPEND uiq_hardening_link "${flag}")
    else()
      list(APPEND uiq_hardening_compile "${flag}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES uiq_hardening_compile)

# _FORTIFY_SOURCE works only in optimised code, and a Debug build warns that it does not.
set(uiq_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
add_compile_options("$<${uiq_optimised}:${uiq_hardening_compile}>")
add_link_options("$<${uiq_optimised}:${uiq_hardening_link}>")
list(JOIN uiq_hardening_compile " " uiq_shown_compile)
list(JOIN uiq_hardening_link " " uiq_shown_link)
message(STATUS "Hardening for optimised builds, from dpkg-buildflags: "
               "${uiq_shown_compile} ${uiq_shown_link}")
