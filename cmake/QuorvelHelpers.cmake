# SPDX-License-Identifier: MIT
# Shared build settings and the one helper every test goes through.

# Warnings for every target of ours.
add_library(quorvel_warnings INTERFACE)
target_compile_options(quorvel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wconversion)

# quorvel_library(NAME SOURCES... [DEPS libs...])
function(quorvel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE quorvel_warnings)
endfunction()

# quorvel_add_test(NAME SOURCES... [DEPS libs...] [LABELS labels...] [QT])
#   Plain tests link GoogleTest (gtest_main). QT tests are Qt Test programs that
#   run on the offscreen platform with a private HOME / XDG folders.
#   Labels: "protocol" marks the tests CI repeats under the sanitizers. Tests that use
#   the emulator list quorvel_emulator in DEPS.
function(quorvel_add_test name)
  cmake_parse_arguments(ARG "QT" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} quorvel_warnings Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(home ${CMAKE_BINARY_DIR}/testhome/${name})
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE Qt6::Test Qt6::Widgets)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run")
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
  file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/run)
endfunction()

# quorvel_add_fuzzer(NAME SOURCES... [DEPS libs...])
function(quorvel_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
