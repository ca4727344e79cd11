# UiQuorvix-1.00-win64.zip: the program, a short text for Windows users and the licence,
# made with `cpack` in the Windows build folder.
install(TARGETS UiQuorvix RUNTIME DESTINATION .)
# CR LF line ends, so that every Windows editor, Notepad included, shows its lines.
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt.in
               ${CMAKE_BINARY_DIR}/README-Windows.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README-Windows.txt DESTINATION .)
# The licence asks to travel with every copy; named .txt so that a double click opens it.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME UiQuorvix)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "UiQuorvix-${PROJECT_VERSION}-win64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
