# Shared compile settings: warnings on, and kept clean.
function(kelbrin_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Wnon-virtual-dtor)
endfunction()

# Adds a core or platform library made of the given sources; public headers are included as
# "area/Header.h" from src/core or src/platform's parent.
function(kelbrin_library target)
  add_library(${target} STATIC ${ARGN})
  kelbrin_target_defaults(${target})
endfunction()

# A GoogleTest executable registered with CTest:
#   kelbrin_gtest(NAME [THREADS] SOURCES a.cpp b.cpp ...)
# THREADS marks tests that start threads; the ThreadSanitizer run of scripts/test runs those.
function(kelbrin_gtest target)
  cmake_parse_arguments(arg "THREADS" "" "SOURCES" ${ARGN})
  add_executable(${target} ${arg_SOURCES})
  kelbrin_target_defaults(${target})
  target_link_libraries(${target} PRIVATE GTest::gmock_main kelbrin_test_support)
  set(labels unit)
  if(arg_THREADS)
    set(labels threads)
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS ${labels})
endfunction()
