# Helpers shared by every folder's CMakeLists.txt.

# The test data the tests and benchmarks read (camera files, made pictures): always inside the checkout.
set(KESTREL_TESTDATA_DIR ${CMAKE_SOURCE_DIR}/tests/data)

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
    KESTREL_TESTDATA_DIR="${KESTREL_TESTDATA_DIR}")
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

# kestrel_fuzzer(NAME SOURCES ... [LIBS ...] [SEEDS dir ...] [SEED_FILES file ...] [DICT file] [RUNS n]
#                [SEED_TEST test] [MAX_LEN bytes] [OPTIONS libFuzzer-flag ...]): a libFuzzer target, also run for a bounded number of
# inputs as a test. MAX_LEN caps the inputs (and the seeds as read): for formats whose real files are
# large but whose parsers look at the front, so that the fuzzer runs many mutations instead of few.
# Its corpus folder (fuzz-corpus/NAME in the build folder) starts with copies of SEED_FILES, and receives
# what the fuzzer finds; the SEEDS folders (made by a test-time script: name that ctest fixture in
# SEED_TEST) are read as further seeds. DICT names a dictionary of the format's tags. `make fuzz` runs
# every target listed in fuzz-targets.tsv for a given time.
function(kestrel_fuzzer name)
  cmake_parse_arguments(ARG "" "RUNS;DICT;SEED_TEST;MAX_LEN" "SOURCES;LIBS;SEEDS;SEED_FILES;OPTIONS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  kestrel_fuzz_instrument(${name})
  if(NOT ARG_RUNS)
    set(ARG_RUNS 20000)
  endif()
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  foreach(seed IN LISTS ARG_SEED_FILES)
    if(NOT EXISTS ${seed})
      message(FATAL_ERROR "fuzz target ${name}: seed file missing: ${seed}")
    endif()
    file(COPY ${seed} DESTINATION ${corpus})
  endforeach()
  set(options -rss_limit_mb=4096 ${ARG_OPTIONS})
  if(ARG_DICT)
    list(APPEND options -dict=${ARG_DICT})
  endif()
  if(ARG_MAX_LEN)
    list(APPEND options -max_len=${ARG_MAX_LEN})
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:${name}> -runs=${ARG_RUNS} -max_total_time=60 ${options} ${corpus} ${ARG_SEEDS})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
  if(ARG_SEED_TEST)
    set_tests_properties(fuzz.${name} PROPERTIES FIXTURES_REQUIRED ${ARG_SEED_TEST})
  endif()
  # One line per target for `make fuzz`: name, executable, options, corpus, seed folders (tab-separated).
  string(REPLACE ";" " " option_text "${options}")
  string(REPLACE ";" "\t" seed_text "${ARG_SEEDS}")
  set_property(GLOBAL APPEND_STRING PROPERTY KESTREL_FUZZ_TARGETS
    "${name}\t${KESTREL_BIN_DIR}/${name}\t${option_text}\t${corpus}\t${seed_text}\n")
endfunction()

# Writes the list of fuzz targets that `make fuzz` (scripts/fuzz) runs. Called once, after every target.
function(kestrel_fuzz_manifest)
  get_property(targets GLOBAL PROPERTY KESTREL_FUZZ_TARGETS)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.tsv "${targets}")
endfunction()

# kestrel_fuzz_instrument(TARGET): every library of the project that TARGET links, directly or through
# other libraries, is compiled with the fuzzer's coverage instrumentation. Without it libFuzzer sees only
# its harness's branches and keeps a handful of tiny inputs. The tests that link the same libraries in a
# fuzz build are unaffected: the sanitizer runtime answers the coverage calls.
function(kestrel_fuzz_instrument target)
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(NOT libs)
    return()
  endif()
  foreach(lib IN LISTS libs)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
    if(NOT TARGET ${lib})
      continue()
    endif()
    get_target_property(aliased ${lib} ALIASED_TARGET)
    if(aliased)
      set(lib ${aliased})
    endif()
    get_target_property(imported ${lib} IMPORTED)
    get_target_property(type ${lib} TYPE)
    if(imported OR type STREQUAL "INTERFACE_LIBRARY")
      continue()
    endif()
    get_target_property(done ${lib} KESTREL_FUZZ_INSTRUMENTED)
    if(done)
      continue()
    endif()
    set_target_properties(${lib} PROPERTIES KESTREL_FUZZ_INSTRUMENTED ON)
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
    kestrel_fuzz_instrument(${lib})
  endforeach()
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
