# Third-party libraries the program links. Test-only oracles are found in tests/.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
find_package(ZLIB REQUIRED)
# PNG files: pages, symbols and the print job's document.
find_package(PNG REQUIRED)
find_package(Threads REQUIRED)
if(NOT WIN32)
  # Text (FreeType glyphs, fontconfig face lookup) and printing (CUPS) off Windows.
  find_package(Freetype REQUIRED)
  find_package(Fontconfig REQUIRED)
  find_package(Cups REQUIRED)
  # The receiver's USB link.
  pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
endif()
