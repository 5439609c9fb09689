# The emulated receiver: umockdev plays sysfs, udev and the device node. It works by preloading
# a library, so the tests (and their discovery) run through a launcher that preloads it.
pkg_check_modules(UMOCKDEV REQUIRED IMPORTED_TARGET umockdev-1.0)
target_link_libraries(${target} PRIVATE PkgConfig::UMOCKDEV)
set_target_properties(${target} PROPERTIES
  CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/usb_posix/run-mocked.sh)

# A tool, not a test: measures the idle cost of the receiver link (see its header).
add_executable(velin_usb_idle_probe usb_posix/tools/idle_probe.cpp usb_posix/usb_testbed.cpp)
target_link_libraries(velin_usb_idle_probe PRIVATE velin_test_support PkgConfig::UMOCKDEV)

# The service tests start velin-cli itself on the emulated bus.
add_dependencies(${target} velin-cli)
