# install_split_debug_info(TARGET): after each link, moves the target's debug
# information into TARGET_FILE.debug, strips the target and leaves a debug
# link in it, so a debugger given the .debug file finds the symbols.
function(install_split_debug_info target)
  if(INSTALL_OBJCOPY)
    set(objcopy ${INSTALL_OBJCOPY})
  else()
    set(objcopy ${CMAKE_OBJCOPY})
  endif()
  # objcopy stamps a PE file it writes with the time, unless given one: 0,
  # as the link leaves it.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${objcopy})
  set(binary $<TARGET_FILE:${target}>)
  set(debug_name $<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${binary} ${binary}.debug
    COMMAND ${objcopy} --strip-all ${binary}
    # Run in the folder, so that the link records the bare file name.
    COMMAND ${objcopy} --add-gnu-debuglink=${debug_name} $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
