# The default config.ini is written by the packaging folder's build.
add_dependencies(${target} velin_default_config)
