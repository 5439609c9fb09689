# zxing-cpp is a test oracle only: it decodes the barcodes and QR symbols on rendered pages.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::ZXING)
  pkg_check_modules(ZXING REQUIRED IMPORTED_TARGET zxing)
endif()
target_link_libraries(${target} PRIVATE PkgConfig::ZXING)
target_compile_definitions(${target} PRIVATE ZX_USE_UTF8)

# The same decoder for the pages the Windows build renders under Wine, which has no zxing-cpp:
# scripts/windows/test.sh runs it on the manifest that build writes.
add_executable(velin_decode_pages
  ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/posix/tool/decode_pages.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/posix/label_decode.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/label_support.cpp)
target_include_directories(velin_decode_pages PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
target_link_libraries(velin_decode_pages PRIVATE velin_test_support PkgConfig::ZXING)
target_compile_definitions(velin_decode_pages PRIVATE ZX_USE_UTF8)
