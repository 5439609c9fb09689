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

# A tool, not a test: measures velin-cli serve idle and per label (see its header).
add_executable(velin_serve_probe usb_posix/tools/serve_probe.cpp usb_posix/usb_testbed.cpp
               usb_posix/service_process.cpp)
target_include_directories(velin_serve_probe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velin_serve_probe PRIVATE velin_test_support PkgConfig::UMOCKDEV)
add_dependencies(velin_serve_probe velin-cli)
