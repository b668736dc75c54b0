# The dial-up dialer and the "Virtual Dial-up" line, over the pppd facility of the platform.
kelbrin_library(kelbrin_dialup
  ${CMAKE_CURRENT_LIST_DIR}/DialStatusText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TDialUp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialLine.cpp)
target_include_directories(kelbrin_dialup PUBLIC ${PROJECT_SOURCE_DIR}/src/core)
target_link_libraries(kelbrin_dialup PUBLIC kelbrin_platform Threads::Threads)
target_link_libraries(kelbrin_core INTERFACE kelbrin_dialup)
