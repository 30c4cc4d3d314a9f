# GoogleTest suites cross-built for Windows (tests/windows/) and run by ctest
# under Wine. Run them in the Wine test bed:
#   scripts/testbed/up.sh && . build/testbed/env.sh && ctest --preset windows-wine
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(KESTRO_WINE_EMULATOR ${PROJECT_SOURCE_DIR}/tests/windows/run_under_wine.sh)

# kestro_windows_test(NAME sources... [LIBS libs...] [ARGS arguments...]):
# one test executable, run under Wine with ARGS on its command line. Empty
# arguments do not survive a CMake list: add such a test with add_test.
function(kestro_windows_test name)
  cmake_parse_arguments(PARSE_ARGV 1 test "" "" "LIBS;ARGS")
  add_executable(${name} ${test_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${test_LIBS} GTest::gtest_main kestro_warnings)
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${KESTRO_WINE_EMULATOR})
  add_test(NAME ${name} COMMAND ${name} ${test_ARGS})
endfunction()
