# GetProcessMemoryInfo; the named pipe that stands for the receiver.
target_link_libraries(${target} PRIVATE psapi)
target_sources(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/usb_win/pipe_receiver.cpp)
