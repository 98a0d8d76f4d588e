# The Windows build, under Wine, must rewrite a file into the same bytes as
# the native build. The input mixes line ends, blank and space-led lines,
# lone CRs, long lines, eight-bit bytes and a Ctrl-Z, and is larger than one
# read block so lines cross block ends.
string(REPLACE "|" ";" runner "${RUNNER}")
if(NOT EXISTS "${NATIVE_INSTALLCTL}")
  message(FATAL_ERROR "the native installctl (${NATIVE_INSTALLCTL}) is needed: build the native preset first")
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/native" "${WORK}/windows")

string(ASCII 26 ctrl_z)
string(ASCII 233 e_acute)
string(REPEAT "x" 700 long_text)
set(body "Window 640 480\r\n   Toolbar  left \t top\n\n   \r\nKey\tTabbed\nLone\rCR here\r\n")
string(APPEND body "Plugin C:\\Plug-ins\\${long_text}SHINE.dll\r\nplugin shine.dll\r\nPlugin Other.dll\n")
string(APPEND body "Caf${e_acute} ${long_text}\r\nPlugin\r\nPlugin shine\r\n")
string(REPEAT "${body}" 1200 bulk)
file(WRITE "${WORK}/input.cfg" "ZKCO 7\r\n0\r\n${bulk}Last line${ctrl_z}Plugin Ignored\r\n")
file(COPY_FILE "${WORK}/input.cfg" "${WORK}/native/host.cfg")
file(COPY_FILE "${WORK}/input.cfg" "${WORK}/windows/host.cfg")

execute_process(COMMAND "${NATIVE_INSTALLCTL}" ExZKCFG_RemovePluginRefs "${WORK}/native/host.cfg*Shine"
                OUTPUT_VARIABLE native_output RESULT_VARIABLE native_exit)
get_filename_component(folder_name "${WORK}" NAME)
execute_process(COMMAND ${runner} "${INSTALLCTL}" ExZKCFG_RemovePluginRefs
                        "C:\\${folder_name}\\windows\\host.cfg*Shine"
                OUTPUT_VARIABLE windows_output RESULT_VARIABLE windows_exit)
string(STRIP "${native_output}" native_output)
string(STRIP "${windows_output}" windows_output)
if(NOT native_exit EQUAL 0 OR NOT windows_exit EQUAL 0 OR NOT native_output STREQUAL "0"
   OR NOT windows_output STREQUAL "0")
  message(FATAL_ERROR "native printed '${native_output}' (exit ${native_exit}), "
                      "Windows printed '${windows_output}' (exit ${windows_exit}); both should print 0")
endif()
file(SHA256 "${WORK}/input.cfg" input_hash)
file(SHA256 "${WORK}/native/host.cfg" native_hash)
file(SHA256 "${WORK}/windows/host.cfg" windows_hash)
if(native_hash STREQUAL input_hash)
  message(FATAL_ERROR "the native rewrite changed nothing")
endif()
if(NOT native_hash STREQUAL windows_hash)
  message(FATAL_ERROR "the Windows rewrite differs from the native one")
endif()
