# The dial-up tests: a fake pppd, the namespace test bed around it, the pppd facility's tests
# (tests/platform/test_pppd*.cpp, part of test_platform) and the dialer and line tests.
add_executable(fake_pppd ${CMAKE_CURRENT_LIST_DIR}/../../fakes/fake_pppd.cpp)
kelbrin_target_defaults(fake_pppd)

add_library(kelbrin_ppp_testbed STATIC ${CMAKE_CURRENT_LIST_DIR}/../../fakes/PppTestbed.cpp)
kelbrin_target_defaults(kelbrin_ppp_testbed)
target_include_directories(kelbrin_ppp_testbed PUBLIC ${CMAKE_CURRENT_LIST_DIR}/../../fakes
                                                      ${CMAKE_CURRENT_LIST_DIR}/../../platform)
target_link_libraries(kelbrin_ppp_testbed PUBLIC kelbrin_platform kelbrin_test_support)
target_compile_definitions(kelbrin_ppp_testbed PRIVATE
                           KELBRIN_FAKE_PPPD="$<TARGET_FILE:fake_pppd>")
add_dependencies(kelbrin_ppp_testbed fake_pppd)

target_link_libraries(test_platform PRIVATE kelbrin_ppp_testbed)

kelbrin_gtest(test_dialup THREADS SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/test_dial_status_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_dial_up.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_dial_line.cpp)
target_link_libraries(test_dialup PRIVATE kelbrin_dialup kelbrin_ppp_testbed)

# TDailLine is built here against a stand-in line base until it joins the line model's library.
kelbrin_gtest(test_dial_tdailline THREADS SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/test_dial_tdailline.cpp
  ${PROJECT_SOURCE_DIR}/src/core/lines/TDailLine.cpp)
target_include_directories(test_dial_tdailline PRIVATE ${CMAKE_CURRENT_LIST_DIR}/standin)
target_link_libraries(test_dial_tdailline PRIVATE kelbrin_dialup kelbrin_ppp_testbed)
