# The system information collector, its tree, and the once-per-run inventory report.
kelbrin_library(kelbrin_sysinfo_collector
  ${CMAKE_CURRENT_LIST_DIR}/TSysInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SysInfoTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemReportBodies.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TUpdateSysInfoTrd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SystemReport.cpp)
target_include_directories(kelbrin_sysinfo_collector PUBLIC ${PROJECT_SOURCE_DIR}/src/core)
target_link_libraries(kelbrin_sysinfo_collector PUBLIC kelbrin_protocol kelbrin_runtime
                                                       kelbrin_platform Threads::Threads)
target_link_libraries(kelbrin_core INTERFACE kelbrin_sysinfo_collector)
