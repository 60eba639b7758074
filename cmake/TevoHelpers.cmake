# Build helpers shared by every subsystem, test, fuzzer and benchmark.

option(TEVO_WERROR "Treat compiler warnings in the project's own targets as errors" OFF)

# Warning flags of every target built from the project's own sources. Generated
# message code is compiled with -w (cmake/targets/proto.cmake), so -Werror
# never reaches it.
set(TEVO_WARNINGS -Wall -Wextra -Wpedantic)
if(TEVO_WERROR)
  list(APPEND TEVO_WARNINGS -Werror)
endif()

if(TEVO_SANITIZE)
  string(REPLACE "," ";" _tevo_san_list "${TEVO_SANITIZE}")
  add_compile_options(-fsanitize=${TEVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${TEVO_SANITIZE})
endif()
if(TEVO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TEVO_FUZZ needs clang")
  endif()
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fsanitize=fuzzer-no-link>)
endif()

# Adds every direct subfolder of DIR that has a CMakeLists.txt.
function(tevo_add_subdirectories dir)
  file(GLOB _children LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/${dir}/*)
  list(SORT _children)
  foreach(child IN LISTS _children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# tevo_subsystem(<target> SOURCES ... [DEPS ...])
# A static, position-independent library for one subsystem. The shared
# product library is assembled from all of them.
function(tevo_subsystem target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/sdkcommon/MetaType>)
  target_compile_options(${target} PRIVATE ${TEVO_WARNINGS})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY TEVO_SUBSYSTEM_TARGETS ${target})
endfunction()

option(TEVO_LINK_SHARED "Link tests, tools and benchmarks against the shared library" OFF)

# Links an executable or the simulator to the SDK: the internal shared library
# (every symbol, so tests reach internal classes), or (while subsystems are
# built one at a time) the archives named.
function(tevo_link_sdk target)
  if(TEVO_LINK_SHARED)
    set(_libs "")
    foreach(lib IN LISTS ARGN)
      if(lib MATCHES "^tevo_" AND NOT lib STREQUAL "tevo_sim")
        list(APPEND _libs tevorobotsdk_internal)
      else()
        list(APPEND _libs ${lib})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES _libs)
    target_link_libraries(${target} PRIVATE ${_libs})
  else()
    target_link_libraries(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# tevo_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s])
# One GoogleTest executable; each test case becomes a ctest test. Tests
# labelled "concurrency" also run under ThreadSanitizer.
function(tevo_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TEVO_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  tevo_link_sdk(${name} ${ARG_LIBS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    # The discovery flattens PROPERTIES into one list, so a second label would
    # be read as a property name: the labels are set by a file that ctest
    # includes after the discovered tests, on the list the discovery fills.
    set(_labels_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
    file(WRITE "${_labels_file}"
         "if(${name}_TESTS)\n"
         "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${ARG_LABELS}\")\n"
         "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_labels_file}")
  endif()
endfunction()

# tevo_add_fuzzer(<name> SOURCES ... [LIBS ...] [SECONDS n])
# A libFuzzer target plus a ctest that runs it for a short bounded time.
function(tevo_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 30)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TEVO_WARNINGS} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  tevo_link_sdk(${name} ${ARG_LIBS})
  set(_corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${_corpus})
  # Seeds: the committed corpus of the target (fuzz/corpus/<name>), which
  # scripts/fuzz-long grows; the ctest run only reads it.
  set(_seeds "")
  if(EXISTS ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
    set(_seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${name} -max_total_time=${ARG_SECONDS} -rss_limit_mb=4096 -print_final_stats=1 ${_corpus} ${_seeds})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 600)
endfunction()

# tevo_add_bench(<name> SOURCES ... [LIBS ...])
# A Google Benchmark program; a short smoke run keeps it working in ctest.
function(tevo_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${TEVO_WARNINGS})
  tevo_link_sdk(${name} ${ARG_LIBS})
  target_link_libraries(${name} PRIVATE benchmark::benchmark Threads::Threads)
  if(TEVO_BUILD_TESTS AND NOT TEVO_SANITIZE)
    add_test(NAME bench.${name} COMMAND ${name} --benchmark_min_time=0.01)
    set_tests_properties(bench.${name} PROPERTIES LABELS bench TIMEOUT 300)
  endif()
endfunction()

# tevo_python_with(<var> <code>)
# Sets <var> to the first interpreter for which the Python <code> exits 0:
# Debian's /usr/bin/python3 first (where python3-pytest, python3-numpy and
# the wheel tools live), then the one CMake found; empty when none does.
function(tevo_python_with var code)
  set(${var} "" PARENT_SCOPE)
  foreach(candidate /usr/bin/python3 ${Python3_EXECUTABLE})
    if(EXISTS ${candidate})
      execute_process(COMMAND ${candidate} -c "${code}"
        RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
      if(rc EQUAL 0)
        set(${var} ${candidate} PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
endfunction()
