# The project's own C++ files, formatted by the repository's .clang-format:
#   cmake -P cmake/Format.cmake                        rewrite them in place (the `format` target)
#   cmake -DUIQ_FORMAT_CHECK=ON -P cmake/Format.cmake  fail on any file clang-format would change
cmake_minimum_required(VERSION 3.19)
get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

find_program(UIQ_CLANG_FORMAT clang-format)
if(NOT UIQ_CLANG_FORMAT)
  message(FATAL_ERROR "clang-format is not installed")
endif()

set(patterns)
foreach(folder src tests bench fuzz tools)
  list(APPEND patterns "${root}/${folder}/*.cpp" "${root}/${folder}/*.h")
endforeach()
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" ${patterns})
list(SORT files)

if(UIQ_FORMAT_CHECK)
  set(mode --dry-run --Werror)
else()
  set(mode -i)
endif()
execute_process(COMMAND "${UIQ_CLANG_FORMAT}" ${mode} ${files} WORKING_DIRECTORY "${root}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "clang-format would change the files above "
                      "(`cmake --build build --target format` rewrites them)")
endif()
