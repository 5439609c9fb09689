# The tests run velin-cli as a user runs it.
add_dependencies(${target} velin-cli)
