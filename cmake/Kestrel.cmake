# Helpers shared by every folder's CMakeLists.txt.

# kestrel_c_library(NAME SOURCES ... [LIBS ...]): a shared library with a C interface. Only the symbols
# its header marks with default visibility are exported; everything else is hidden.
function(kestrel_c_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_LIBS)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  endif()
  # Every symbol a library uses must resolve at link time, except in sanitizer builds: there clang
  # leaves the sanitizer runtime to the executable.
  if(NOT KESTREL_SANITIZE)
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
  endif()
endfunction()

# kestrel_test(NAME SOURCES ... [LIBS ...] [LABELS ...]): a GoogleTest executable in the
# program's folder, its cases discovered when ctest runs. Every test runs without a display.
function(kestrel_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_SOURCES MATCHES "(^|;)main\\.cpp(;|$)")
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock ${ARG_LIBS})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LIBS})
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KESTREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    KESTREL_BIN_DIR="${KESTREL_BIN_DIR}"
    KESTREL_BUILD_DIR="${CMAKE_BINARY_DIR}"
    KESTREL_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # gtest_discover_tests cannot carry a list-valued property, so the environment holds one variable;
  # a test that needs more sets them itself before it starts.
  set(properties TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  if(ARG_LABELS)
    list(APPEND properties LABELS "${ARG_LABELS}")
    if("threads" IN_LIST ARG_LABELS)
      add_dependencies(tsan_tests ${name})
    endif()
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
endfunction()

# kestrel_fuzzer(NAME SOURCES ... [LIBS ...] [SEEDS dir] [RUNS n]): a libFuzzer target, also run for a
# bounded number of inputs as a test (over the seed folder when one is given).
function(kestrel_fuzzer name)
  cmake_parse_arguments(ARG "" "SEEDS;RUNS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(NOT ARG_RUNS)
    set(ARG_RUNS 20000)
  endif()
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  set(seeds "")
  if(ARG_SEEDS)
    set(seeds ${ARG_SEEDS})
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:${name}> -runs=${ARG_RUNS} -max_total_time=60 -rss_limit_mb=4096 ${seeds})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()

# Adds every sub-folder of the current folder that has a CMakeLists.txt. Under tests/, a folder named
# after a subsystem joins only when that subsystem is built.
function(kestrel_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(entry ${entries})
    get_filename_component(leaf ${entry} NAME)
    if(leaf IN_LIST KESTREL_ALL_FOLDERS AND NOT leaf IN_LIST KESTREL_FOLDERS)
      continue()
    endif()
    if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()
