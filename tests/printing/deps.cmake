# libpng is a test oracle only: it reads the captured CUPS pages row by row, including pages
# far larger than a Bitmap32 may hold.
find_package(PNG REQUIRED)
target_link_libraries(${target} PRIVATE PNG::PNG)
