target_compile_definitions(${target} PRIVATE VELIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
