# Shared build helpers: sanitizers, the test and fuzz target shapes.

set(PKIX_SANITIZE "" CACHE STRING "Sanitizers to build with (address;undefined or thread)")
if(PKIX_SANITIZE)
  list(JOIN PKIX_SANITIZE "," _pkix_san)
  add_compile_options(-fsanitize=${_pkix_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_pkix_san})
endif()

# In fuzz builds every library is instrumented for coverage, so the fuzzers
# see the code they test, not only their own harness.
if(PKIX_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Shared libraries are linked with --no-undefined, except where the clang
# sanitizer runtimes are supplied by the program at load time.
if(PKIX_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(PKIX_NO_UNDEFINED "")
else()
  set(PKIX_NO_UNDEFINED "-Wl,--no-undefined")
endif()

find_package(Threads REQUIRED)

# Clang build of the fuzz targets' replays (and the support library's own
# tests) only: clang's UndefinedBehaviorSanitizer checks what gcc's does not
# (arithmetic on null pointers among others), and the replays run every
# saved input through it. The other test folders are left out of this build
# (tests/CMakeLists.txt), so it stays small.
option(PKIX_REPLAY_ONLY "Build only the fuzz replays and the support library's tests" OFF)

# Every test program (gtest or replay) joins this list; the target
# pkix_test_programs (made at the end of the fuzz folder) builds them all and
# nothing else beyond their dependencies.
set_property(GLOBAL PROPERTY PKIX_TEST_PROGRAMS "")
function(pkix_add_test_program name)
  set_property(GLOBAL APPEND PROPERTY PKIX_TEST_PROGRAMS ${name})
endfunction()
function(pkix_add_test_programs_target)
  get_property(_programs GLOBAL PROPERTY PKIX_TEST_PROGRAMS)
  add_custom_target(pkix_test_programs)
  if(_programs)
    add_dependencies(pkix_test_programs ${_programs})
  endif()
endfunction()

if(PKIX_TESTS)
  find_package(GTest REQUIRED)
endif()

# Environment every test runs with: sanitizer options that make any report a
# failure, and no leak checking under qemu (LeakSanitizer is not used there).
set(PKIX_TEST_ENV
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1")

# pkix_add_gtest(NAME SOURCES src... [LIBS lib...] [LABELS l...])
# One GoogleTest program, registered as one CTest test.
function(pkix_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    PKIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PKIX_MODULE_PATH="$<TARGET_FILE:pkix>")
  add_dependencies(${name} pkix)
  pkix_add_test_program(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${PKIX_TEST_ENV}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# pkix_add_fuzzer(NAME SOURCE file [LIBS lib...])
# A libFuzzer target in the fuzz preset; in every test build, a replay program
# that runs the target over its saved corpus and crash inputs
# (fuzz/corpus/NAME and fuzz/crashes/NAME) as a regression test.
function(pkix_add_fuzzer name)
  cmake_parse_arguments(F "" "SOURCE" "LIBS" ${ARGN})
  if(PKIX_FUZZ)
    add_executable(fuzz_${name} ${F_SOURCE})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
  endif()
  if(PKIX_TESTS AND NOT PKIX_TSAN_ONLY)
    add_executable(replay_${name} ${F_SOURCE} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cc)
    target_link_libraries(replay_${name} PRIVATE ${F_LIBS})
    pkix_add_test_program(replay_${name})
    add_test(NAME replay_${name} COMMAND replay_${name}
      ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name} ${CMAKE_SOURCE_DIR}/fuzz/crashes/${name})
    set_tests_properties(replay_${name} PROPERTIES ENVIRONMENT "${PKIX_TEST_ENV}" LABELS fuzz-replay)
  endif()
endfunction()

# pkix_inproc_library(VAR)
# Sets VAR to the library of the unit tests' in-process manager (real guard,
# buffer and logging services) for code that runs the module's internals in
# process: the tests' own library when the tests are built, else the same
# sources built once here (the fuzz and release presets have no tests).
function(pkix_inproc_library var)
  if(TARGET pkix_testing)
    set(${var} pkix_testing PARENT_SCOPE)
    return()
  endif()
  if(NOT TARGET pkix_inproc)
    add_library(pkix_inproc STATIC ${CMAKE_SOURCE_DIR}/tests/testing/inproc.cc)
    target_include_directories(pkix_inproc PUBLIC ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(pkix_inproc PUBLIC pkix_internal pkixhost_services)
  endif()
  set(${var} pkix_inproc PARENT_SCOPE)
endfunction()
