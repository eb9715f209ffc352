# Test executables: one per folder under tests/ (tests/support is shared code, tests/ui the
# window screens scripts, tests/app/win32/galleries the window galleries, which
# CMakeLists.txt builds as programs: none of them is a test).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(VOG_UNIT_TESTS)
file(GLOB VOG_TEST_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(vog_testsupport STATIC ${VOG_TEST_SUPPORT} ${CMAKE_SOURCE_DIR}/tests/support/TestMain.cpp)
list(REMOVE_DUPLICATES VOG_TEST_SUPPORT)
# Tests see every folder of the source tree, and have the in-memory platform.
target_link_libraries(vog_testsupport PUBLIC vog_app vog_memory GTest::gtest GTest::gmock)
target_include_directories(vog_testsupport PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR})

file(GLOB VOG_TEST_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tests/*)
foreach(dir ${VOG_TEST_DIRS})
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(name ${dir} NAME)
  if(name STREQUAL "support" OR name STREQUAL "data" OR name STREQUAL "ui")
    continue()
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  # The window galleries and the floor programs are programs of their own (CMakeLists.txt).
  list(FILTER sources EXCLUDE REGEX "/(galleries|floor)/")
  # Tests of the Win32 layer only exist in the Windows build, and POSIX ones only natively.
  if(VOG_WINDOWS)
    list(FILTER sources EXCLUDE REGEX "/posix/")
  else()
    list(FILTER sources EXCLUDE REGEX "/win32/")
  endif()
  if(NOT sources)
    continue()
  endif()
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE vog_testsupport)
  if(VOG_WINDOWS)
    target_link_options(test_${name} PRIVATE -municode)
  endif()
  if(VOG_WINDOWS AND name STREQUAL "app")
    # The program's Win32 question boxes, tested on their own under Wine (they show the
    # dialogs of the window library for the cipher key).
    target_link_libraries(test_app PRIVATE vog_win32ui)
  endif()
  add_test(NAME ${name} COMMAND test_${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 1200
    ENVIRONMENT "VOG_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data;VOG_BUILD_DIR=${CMAKE_BINARY_DIR}")
endforeach()

endif()

# Benchmarks: one executable per file under bench/. Natively they use Google Benchmark;
# Debian ships no mingw build of it, so the Windows build compiles the same sources against
# the small compatible runner in bench/minibench.
file(GLOB VOG_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(VOG_BENCH_SOURCES AND NOT VOG_FUZZ)
  if(NOT VOG_WINDOWS)
    find_package(benchmark QUIET)
  endif()
  foreach(src ${VOG_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vog_app vog_memory)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR})
    if(benchmark_FOUND)
      target_link_libraries(${name} PRIVATE benchmark::benchmark benchmark::benchmark_main)
    else()
      target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench/minibench/minibench.cpp)
      target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/bench/minibench)
      if(VOG_WINDOWS)
        target_link_options(${name} PRIVATE -municode)
      endif()
    endif()
  endforeach()
endif()

# Fuzz targets: each file under fuzz/ defines LLVMFuzzerTestOneInput. With clang and
# VOG_FUZZ they are libFuzzer programs; a short bounded run of each is part of the tests.
if(VOG_FUZZ)
  file(GLOB VOG_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(src ${VOG_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vog_app vog_memory)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # Bounded by count and, on a slow machine, by time as well; a fixed seed makes a run
    # repeatable (scripts/fuzz explores further with random seeds; its limits are these).
    set(args -seed=1 -runs=${VOG_FUZZ_RUNS} -max_total_time=120 -max_len=16384 -rss_limit_mb=2048 -timeout=60)
    # Every input of the corpus and of the regressions (what scripts/fuzz found) runs first;
    # both folders are made when missing, so inputs added later are read without a new
    # configure. libFuzzer adds new inputs to the first folder: a scratch folder in the build
    # tree, so the folders in the source tree are only read.
    set(corpus ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name})
    set(regressions ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name})
    set(scratch ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
    file(MAKE_DIRECTORY ${corpus} ${regressions} ${scratch})
    add_test(NAME ${name} COMMAND ${name} ${args} ${scratch} ${corpus} ${regressions})
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  endforeach()
endif()

# End to end under Wine: the program itself, run unattended on real trees. The native
# build's vogtool deciphers what the program enciphered (scripts/test builds it first).
if(VOG_WINDOWS AND TARGET Vogratel AND TARGET vogtool)
  # Every script tests/e2e/*-run is one test (common.sh holds what they share).
  file(GLOB e2e_scripts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*-run)
  foreach(script ${e2e_scripts})
    get_filename_component(script_name ${script} NAME)
    string(REPLACE "-" "_" name "e2e_${script_name}")
    add_test(NAME ${name} COMMAND bash ${script} ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR}/build/native)
    set_tests_properties(${name} PROPERTIES TIMEOUT 1200)
  endforeach()
endif()
