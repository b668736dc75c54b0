# The system information collector on copied machine trees, its tree, and the inventory report.
kelbrin_gtest(test_sysinfo THREADS SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/test_sysinfo_collector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_sysinfo_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_sysinfo_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_sysinfo_service.cpp)
target_link_libraries(test_sysinfo PRIVATE kelbrin_sysinfo_collector)
target_compile_definitions(test_sysinfo
                           PRIVATE KELBRIN_SYSINFO_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
# The system information window's test reads the same machine trees.
if(TARGET test_sysinfo_window)
  target_compile_definitions(test_sysinfo_window
                             PRIVATE KELBRIN_SYSINFO_FIXTURES="${CMAKE_CURRENT_LIST_DIR}/fixtures")
endif()
