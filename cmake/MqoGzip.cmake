# Debian wants man pages and changelogs compressed, and compressed without a
# name or time in the header so the same sources give the same package.
find_program(MQO_GZIP gzip REQUIRED)

# Makes OUTPUT (a .gz in the current build directory) from SOURCE at build time.
function(mqo_gzip source output)
  get_filename_component(plain "${output}" NAME_WLE)
  add_custom_command(OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/${output}"
    COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${plain}"
    COMMAND ${MQO_GZIP} -9nf "${plain}"
    DEPENDS "${source}"
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    VERBATIM)
endfunction()
