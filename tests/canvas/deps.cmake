# libpng, called directly: it writes the filter types and colour types that ReadPng must
# accept and reads back what WritePng produced.
target_link_libraries(${target} PRIVATE PNG::PNG)
