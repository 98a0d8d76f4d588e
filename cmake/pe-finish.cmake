# install_pe_finish(TARGET): after each link (and after the debug split, if
# any), pads the target's PE file to a multiple of 8 bytes and sets its
# checksum (cmake/pe-finish.py), so that a signature added to the shipped file
# and taken off again leaves exactly the bytes that were built.
find_package(Python3 COMPONENTS Interpreter REQUIRED)

function(install_pe_finish target)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/pe-finish.py
                             $<TARGET_FILE:${target}>
                     VERBATIM)
endfunction()
