# libpng is a test oracle only: it writes the filter types and colour types that ReadPng must
# accept and reads back what WritePng produced.
find_package(PNG REQUIRED)
target_link_libraries(${target} PRIVATE PNG::PNG)
