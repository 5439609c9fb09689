# Rival QR Code encoders, measured side by side with ours in the same run.
find_package(PkgConfig REQUIRED)
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
find_path(ZINT_INCLUDE_DIR zint.h REQUIRED)
find_library(ZINT_LIBRARY zint REQUIRED)
target_link_libraries(${target} PRIVATE PkgConfig::QRENCODE ${ZINT_LIBRARY})
target_include_directories(${target} PRIVATE ${ZINT_INCLUDE_DIR})
