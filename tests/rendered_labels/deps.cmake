# The pages come from the velin-cli binary, run as a user runs it.
add_dependencies(${target} velin-cli)
