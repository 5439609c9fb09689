target_link_libraries(${target} PRIVATE velin_bluetooth)
