# What keeps the builds of the test command short.
#
# Precompiled headers for the header-only libraries. Parsing the JSON
# library, CLI11 and GoogleTest cost two to four seconds in every file that
# includes them, in each of the three builds of the test command; here each
# is parsed once per build and per kind of code. A header precompiled for
# position-independent library code cannot serve a program (-fPIE), so
# libraries, programs and test programs each have their own.
#
# curling_compile_time_all() gives every target that links one of them the
# header its kind needs; the compiler refuses a header built with other flags
# (-Winvalid-pch, an error with warnings as errors), so a mismatch cannot pass
# unseen.
#
# Unity builds for the targets of many files that use the JSON library or
# GoogleTest: each file instantiated their templates again, which cost more
# than the parsing. The engine, its strategy and the physics stay one object per
# file, as they are measured and shipped.
set(CURLING_UNITY_TARGETS curling_records match_core view_core analysis_core planner_training
    match_unit_tests match_process_tests physics_tests)

find_package(GTest QUIET)
find_package(CLI11 REQUIRED)
find_package(nlohmann_json REQUIRED)

set(_curling_precompiled_dir ${CMAKE_BINARY_DIR}/precompiled)
file(WRITE ${_curling_precompiled_dir}/library.cpp.in "")
file(WRITE ${_curling_precompiled_dir}/program.cpp.in "int main() { return 0; }\n")
configure_file(${_curling_precompiled_dir}/library.cpp.in ${_curling_precompiled_dir}/library.cpp COPYONLY)
configure_file(${_curling_precompiled_dir}/program.cpp.in ${_curling_precompiled_dir}/program.cpp COPYONLY)

# Only what the kind of code includes: CLI11 defines objects at namespace
# scope whose construction every file that includes it compiles, so the
# libraries' header holds the JSON library alone, and the programs' serves
# programs of one file (their main, which parses the options).
add_library(curling_precompiled_library STATIC EXCLUDE_FROM_ALL ${_curling_precompiled_dir}/library.cpp)
target_link_libraries(curling_precompiled_library PRIVATE nlohmann_json::nlohmann_json)
target_precompile_headers(curling_precompiled_library PRIVATE <nlohmann/json.hpp>)
add_executable(curling_precompiled_program EXCLUDE_FROM_ALL ${_curling_precompiled_dir}/program.cpp)
target_link_libraries(curling_precompiled_program PRIVATE nlohmann_json::nlohmann_json CLI11::CLI11)
target_precompile_headers(curling_precompiled_program PRIVATE <nlohmann/json.hpp> <CLI/CLI.hpp>)
if(TARGET GTest::gtest)
  add_executable(curling_precompiled_test EXCLUDE_FROM_ALL ${_curling_precompiled_dir}/program.cpp)
  target_link_libraries(curling_precompiled_test PRIVATE nlohmann_json::nlohmann_json GTest::gtest)
  target_precompile_headers(curling_precompiled_test PRIVATE <nlohmann/json.hpp> <gtest/gtest.h>)
endif()

# Every target defined in `dir` and the folders below it (the tests' lists
# of programs use it too).
function(curling_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory ${subdirectories})
    curling_targets_below(${subdirectory} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The kind of header a target takes: test, program, library, donor (the
# targets above that make them), or none when it links none of these
# libraries.
function(_curling_header_kind target out)
  set(${out} "" PARENT_SCOPE)
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY)$")
    return()
  elseif(target MATCHES "^curling_precompiled_")
    set(${out} donor PARENT_SCOPE)
    return()
  endif()
  get_target_property(links ${target} LINK_LIBRARIES)
  if(links MATCHES "GTest::")
    set(${out} test PARENT_SCOPE)
  elseif(NOT links MATCHES "nlohmann_json::|CLI11::")
    return()
  elseif(type STREQUAL "EXECUTABLE")
    set(${out} program PARENT_SCOPE)
  else()
    set(${out} library PARENT_SCOPE)
  endif()
endfunction()

function(curling_compile_time_all)
  foreach(target ${CURLING_UNITY_TARGETS})
    if(TARGET ${target})
      set_target_properties(${target} PROPERTIES UNITY_BUILD ON)
    endif()
  endforeach()
  curling_targets_below(${PROJECT_SOURCE_DIR} targets)
  foreach(target ${targets})
    _curling_header_kind(${target} kind)
    if(NOT kind)
      continue()
    endif()
    # In the sanitizer builds, the code that reads, writes and tests is
    # compiled without optimization: -O1's code generation for these
    # libraries' templates was most of those builds' time, and the sanitizers
    # check unoptimized code as well. The physics, the players' searches and
    # the engine keep -O1, so the tests that play run at speed.
    if(CURLING_SANITIZE)
      target_compile_options(${target} PRIVATE -O0)
    endif()
    if(NOT CURLING_PRECOMPILED_HEADERS OR kind STREQUAL "donor")
      continue()
    endif()
    get_target_property(sources ${target} SOURCES)
    list(LENGTH sources source_count)
    if(kind STREQUAL "program" AND NOT source_count EQUAL 1)
      continue()
    endif()
    target_precompile_headers(${target} REUSE_FROM curling_precompiled_${kind})
  endforeach()
endfunction()
