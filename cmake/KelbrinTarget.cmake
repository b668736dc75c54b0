# Shared compile settings: warnings on, and kept clean. Optimised builds are built for size: the
# service stays resident for months and spends its time waiting on the network, and every page of
# text it has touched stays mapped, so smaller code is less memory. Each function and datum gets
# a section of its own, so the link can drop those nothing references.
set(KELBRIN_OPTIMISED "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
function(kelbrin_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Wnon-virtual-dtor)
  target_compile_options(${target} PRIVATE
                         "$<${KELBRIN_OPTIMISED}:-Os;-ffunction-sections;-fdata-sections>")
  target_link_options(${target} PRIVATE "$<${KELBRIN_OPTIMISED}:LINKER:--gc-sections>")
endfunction()

# Code a user waits on (a service list of 100 000 domains takes twice as long to read when built
# for size) is built for speed after all.
function(kelbrin_optimise_for_speed target)
  target_compile_options(${target} PRIVATE "$<${KELBRIN_OPTIMISED}:-O2>")
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
