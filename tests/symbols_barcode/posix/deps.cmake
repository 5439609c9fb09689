# Independent barcode libraries used as test oracles only: zxing-cpp decodes what we paint,
# zint draws the symbologies zxing cannot read for a module-by-module comparison.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::ZXING)
  pkg_check_modules(ZXING REQUIRED IMPORTED_TARGET zxing)
endif()
find_path(ZINT_INCLUDE_DIR zint.h REQUIRED)
find_library(ZINT_LIBRARY zint REQUIRED)
target_link_libraries(${target} PRIVATE PkgConfig::ZXING ${ZINT_LIBRARY})
target_include_directories(${target} PRIVATE ${ZINT_INCLUDE_DIR})
target_compile_definitions(${target} PRIVATE ZX_USE_UTF8)
