# Installation layout and the Debian package of the Linux program.
#
# Included at the end of the top-level CMakeLists.txt, once the targets
# UiQuorvix and (on Unix) uiquorvix-thermosim exist:
#
#   include(cmake/Install.cmake)
#
# Build the package with `cpack -G DEB` in the build folder.

include_guard(GLOBAL)
include(GNUInstallDirs)

get_filename_component(UIQ_SOURCE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# Debian wants manual pages and changelogs gzipped, without the file's name and time
# inside (gzip -9n), so the same sources always give the same bytes. The text is configured
# into the build folder as NAME, where it can be read, and installed as NAME.gz. Both are
# made at configure time, which a change to the template sets off again.
find_program(UIQ_GZIP gzip)
function(uiq_install_gzipped template name destination)
  if(NOT UIQ_GZIP)
    message(FATAL_ERROR "gzip is needed to install ${name} compressed")
  endif()
  configure_file("${template}" "${CMAKE_BINARY_DIR}/${name}" @ONLY)
  execute_process(COMMAND "${UIQ_GZIP}" -9 -n -c "${CMAKE_BINARY_DIR}/${name}"
                  OUTPUT_FILE "${CMAKE_BINARY_DIR}/${name}.gz" COMMAND_ERROR_IS_FATAL ANY)
  install(FILES "${CMAKE_BINARY_DIR}/${name}.gz" DESTINATION ${destination})
endfunction()

# --- Programs ---------------------------------------------------------------

install(TARGETS UiQuorvix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The simulator talks to a pseudo-terminal, so it is only built on Unix.
if(TARGET uiquorvix-thermosim)
  install(TARGETS uiquorvix-thermosim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# --- Desktop integration (freedesktop systems) -------------------------------

if(UNIX AND NOT APPLE)
  install(FILES "${UIQ_SOURCE_ROOT}/packaging/uiquorvix.desktop"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The icon theme looks icons up by the desktop entry's Icon= name, so each
  # size is installed under that one name.
  foreach(size 16 32)
    install(FILES "${UIQ_SOURCE_ROOT}/resources/uiquorvix-${size}.png"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME uiquorvix.png)
  endforeach()
  install(FILES "${UIQ_SOURCE_ROOT}/resources/uiquorvix.svg"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  uiq_install_gzipped("${UIQ_SOURCE_ROOT}/packaging/UiQuorvix.1.in" UiQuorvix.1
                      ${CMAKE_INSTALL_MANDIR}/man1)
  if(TARGET uiquorvix-thermosim)
    uiq_install_gzipped("${UIQ_SOURCE_ROOT}/packaging/uiquorvix-thermosim.1.in"
                        uiquorvix-thermosim.1 ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

# --- Maintainer -----------------------------------------------------------------

# Whoever builds the package from this checkout answers for it, as git knows them, unless
# UIQ_PACKAGE_MAINTAINER names someone. Git is asked at every configure, so a changed
# identity is taken up without clearing the cache.
set(UIQ_MAINTAINER "${UIQ_PACKAGE_MAINTAINER}")
if(UIQ_MAINTAINER STREQUAL "")
  find_package(Git QUIET)
  if(GIT_FOUND)
    foreach(key IN ITEMS name email)
      execute_process(COMMAND "${GIT_EXECUTABLE}" config user.${key}
                      WORKING_DIRECTORY "${UIQ_SOURCE_ROOT}"
                      OUTPUT_VARIABLE uiq_git_${key} OUTPUT_STRIP_TRAILING_WHITESPACE
                      ERROR_QUIET)
    endforeach()
    if(NOT uiq_git_name STREQUAL "" AND NOT uiq_git_email STREQUAL "")
      set(UIQ_MAINTAINER "${uiq_git_name} <${uiq_git_email}>")
    else()
      # A fresh clone on a machine where git knows nobody still knows who made the sources.
      execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 "--format=%an <%ae>"
                      WORKING_DIRECTORY "${UIQ_SOURCE_ROOT}"
                      OUTPUT_VARIABLE uiq_git_author OUTPUT_STRIP_TRAILING_WHITESPACE
                      ERROR_QUIET)
      if(uiq_git_author MATCHES "^[^<]+ <[^>]+>$")
        set(UIQ_MAINTAINER "${uiq_git_author}")
      endif()
    endif()
  endif()
endif()
# No made-up maintainer: without one, the program still builds and cpack says what is missing.
if(UIQ_MAINTAINER STREQUAL "")
  message(WARNING "No maintainer for the Debian package: set git's user.name and user.email "
                  "or -DUIQ_PACKAGE_MAINTAINER=\"Name <address>\"")
elseif(NOT UIQ_MAINTAINER MATCHES "^[^<>,]+ <[^<>@ ]+@[^<> ]+>$")
  message(WARNING "The Debian package's maintainer \"${UIQ_MAINTAINER}\" is not "
                  "\"Name <address>\"")
endif()

# --- Package documents ----------------------------------------------------------

# Debian looks for these under the package's own name, which is not the project's.
if(UNIX AND NOT APPLE)
  set(UIQ_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/uiquorvix)
  install(FILES "${UIQ_SOURCE_ROOT}/packaging/copyright" DESTINATION ${UIQ_PACKAGE_DOCDIR})
  # The entries are written by hand with their own dates, so a rebuild gives the same bytes;
  # only the signature takes the maintainer configured above. The newest entry's version is
  # the package's, and the package check holds them to that.
  uiq_install_gzipped("${UIQ_SOURCE_ROOT}/packaging/changelog.Debian.in" changelog.Debian
                      ${UIQ_PACKAGE_DOCDIR})
  # A station that samples from the moment its desktop session starts copies this entry to
  # ~/.config/autostart.
  install(FILES "${UIQ_SOURCE_ROOT}/packaging/uiquorvix-autostart.desktop"
          DESTINATION ${UIQ_PACKAGE_DOCDIR}/examples)
endif()

# --- Package ------------------------------------------------------------------

set(CPACK_PACKAGE_NAME uiquorvix)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${PROJECT_NAME}")
set(CPACK_PACKAGE_CONTACT "${UIQ_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian wants the long description in lines of under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "UiQuorvix reads a thermometer on a serial port and keeps the weather\n"
  "file of the UI-View32 packet-radio program fresh. It runs beside\n"
  "UI-View32 under Wine and finds the thermometer through the Wine\n"
  "prefix's COM port mapping.\n"
  "The package also holds uiquorvix-thermosim, a simulated thermometer\n"
  "on a pseudo-terminal for trying the program without the hardware.")
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_PACKAGE_NAME uiquorvix)
# The package's own revision of the program's version: a change to the packaging alone
# raises it, and the newest entry of packaging/changelog.Debian.in names it.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${UIQ_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# dpkg-shlibdeps (from dpkg-dev) reads the binaries and names the exact
# library packages and versions they need. Without it, fall back to the
# packages a Debian 12 build links against.
find_program(UIQ_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(UIQ_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  message(STATUS "dpkg-shlibdeps not found: the package gets a fixed Depends list")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), libqt6core6 (>= 6.4.0), libqt6gui6 (>= 6.4.0), libqt6widgets6 (>= 6.4.0), libqt6serialport6 (>= 6.4.0)")
endif()

include(CPack)
