# zxing-cpp is a test oracle only: it decodes the barcodes and QR symbols on rendered pages.
# The pages come from the velin-cli binary, run as a user runs it.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::ZXING)
  pkg_check_modules(ZXING REQUIRED IMPORTED_TARGET zxing)
endif()
target_link_libraries(${target} PRIVATE PkgConfig::ZXING)
target_compile_definitions(${target} PRIVATE ZX_USE_UTF8)
add_dependencies(${target} velin-cli)
