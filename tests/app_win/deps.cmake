# The driver starts the real Velin.exe (built before it) from a second process; the in-process
# tests use the program's window classes directly.
target_link_libraries(${target} PRIVATE velin_app_win)
add_dependencies(${target} Velin)
target_compile_definitions(${target} PRIVATE VELIN_EXE="$<TARGET_FILE:Velin>")
# The receiver stand-in of the port tests.
target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/usb_win/pipe_receiver.cpp)
