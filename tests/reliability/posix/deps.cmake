# The tool that the traced runs start.
add_dependencies(${target} velin-cli)

# Plug/unplug cycles of the Linux port run against the receiver umockdev plays, and so in an
# executable of their own under umockdev's launcher (tests/usb_posix/run-mocked.sh).
if(NOT TARGET PkgConfig::UMOCKDEV)
  pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
endif()
add_executable(velin_tests_reliability_usb
  ${CMAKE_CURRENT_SOURCE_DIR}/reliability/usb_posix/plug_cycles_test.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reliability/posix/process_stats_posix.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reliability/process_stats.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/usb_posix/usb_testbed.cpp)
target_include_directories(velin_tests_reliability_usb PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/reliability ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velin_tests_reliability_usb PRIVATE velin_test_support GTest::gtest_main
  PkgConfig::UMOCKDEV)
set_target_properties(velin_tests_reliability_usb PROPERTIES
  CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/usb_posix/run-mocked.sh)
gtest_discover_tests(velin_tests_reliability_usb DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS reliability_usb)

