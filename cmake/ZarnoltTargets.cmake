# Shared settings for the project's own targets.

# Warnings on our code only (never on third-party headers, which come in as SYSTEM). The
# project's own builds (test.sh, .ci/run) make them errors; other builds keep going, so that a
# newer compiler's or another build type's new warning cannot stop a user's build.
option(ZARNOLT_WERROR "Treat compiler warnings on the project's code as errors" OFF)
function(zarnolt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
  if(ZARNOLT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(ZARNOLT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ZARNOLT_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(ZARNOLT_FUZZ)
  # Everything is built with coverage so that libFuzzer sees into the library.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The library of one source folder: zarnolt_add_library(NAME sources... [DEPS targets...])
function(zarnolt_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  target_compile_definitions(${name} PUBLIC ZARNOLT_VERSION="${PROJECT_VERSION}")
  zarnolt_warnings(${name})
endfunction()

# A test runner for one source folder: zarnolt_add_test(NAME sources... [LABELS l...] [LIBS l...])
function(zarnolt_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LABELS;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(NOT ARG_LIBS)
    set(ARG_LIBS zarnolt_core)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main
                                        GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    ZARNOLT_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    ZARNOLT_BUILD_DIR="${PROJECT_BINARY_DIR}")
  zarnolt_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# A libFuzzer target: zarnolt_add_fuzzer(NAME source library)
function(zarnolt_add_fuzzer name source library)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${library})
  set_property(GLOBAL APPEND PROPERTY ZARNOLT_FUZZERS ${name})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  zarnolt_warnings(${name})
endfunction()
