# Lays the files of data/ beside the program on every build, so that the
# build folder is a complete program folder.
function(quorvane_copy_data src dst)
    file(GLOB_RECURSE _files CONFIGURE_DEPENDS RELATIVE ${src} ${src}/*)
    set(_outputs)
    foreach(_f IN LISTS _files)
        add_custom_command(OUTPUT ${dst}/${_f}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${src}/${_f} ${dst}/${_f}
            DEPENDS ${src}/${_f}
            COMMENT "data/${_f}" VERBATIM)
        list(APPEND _outputs ${dst}/${_f})
    endforeach()
    add_custom_target(program_data ALL DEPENDS ${_outputs})
    install(DIRECTORY ${src}/ DESTINATION ${QUORVANE_INSTALL_DIR})
endfunction()
