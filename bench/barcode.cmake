# zint, a rival linear barcode encoder, measured side by side with ours in the same run.
find_path(ZINT_INCLUDE_DIR zint.h REQUIRED)
find_library(ZINT_LIBRARY zint REQUIRED)
target_link_libraries(${target} PRIVATE ${ZINT_LIBRARY})
target_include_directories(${target} PRIVATE ${ZINT_INCLUDE_DIR})
