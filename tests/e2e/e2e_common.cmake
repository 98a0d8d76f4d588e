# Shared by the end-to-end scripts: a fresh work folder, the path a call
# names for a file in it (a C: path under Wine), installctl run the way the
# build runs programs, and exact-byte checks.
string(REPLACE "|" ";" runner "${RUNNER}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# Sets `variable` to the path installctl is given for `name` in the folder.
function(host_path variable name)
  if(WINDOWS)
    get_filename_component(folder_name "${WORK}" NAME)
    set(${variable} "C:\\${folder_name}\\${name}" PARENT_SCOPE)
  else()
    set(${variable} "${WORK}/${name}" PARENT_SCOPE)
  endif()
endfunction()

function(installctl expected_output)
  execute_process(COMMAND ${runner} "${INSTALLCTL}" ${ARGN}
                  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE exit_code)
  string(STRIP "${output}" output)
  if(NOT exit_code EQUAL 0 OR NOT output STREQUAL expected_output)
    message(FATAL_ERROR "installctl ${ARGN}: exit ${exit_code}, printed '${output}', "
                        "expected '${expected_output}'\n${errors}")
  endif()
endfunction()

function(expect_bytes name expected)
  file(WRITE "${WORK}/expected" "${expected}")
  file(READ "${WORK}/expected" expected_hex HEX)
  file(READ "${WORK}/${name}" actual_hex HEX)
  file(REMOVE "${WORK}/expected")
  if(NOT actual_hex STREQUAL expected_hex)
    message(FATAL_ERROR "${name} holds ${actual_hex}, expected ${expected_hex}")
  endif()
endfunction()
