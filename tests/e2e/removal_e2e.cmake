# Removes a plug-in's lines through installctl and checks the file's bytes;
# a wrong token, a missing file and a file without a header must leave
# everything as it was, with no temporary file beside it.
include(${CMAKE_CURRENT_LIST_DIR}/e2e_common.cmake)
host_path(config host.cfg)
host_path(notes notes.txt)
host_path(missing missing.cfg)

function(expect_no_temporary)
  file(GLOB left "${WORK}/*.TMP")
  if(left)
    message(FATAL_ERROR "a temporary file was left behind: ${left}")
  endif()
endfunction()

set(before "ZKCO 1\r\n0\r\nWindow 640 480\r\nPlugin C:\\Plugins\\Blur.DLL\r\nPlugin Sharpen.dll\n")
set(after "ZKCO 1\r\n0 \r\nWindow 640 480\r\nPlugin Sharpen.dll\r\n")
file(WRITE "${WORK}/host.cfg" "${before}")
installctl(0 --value 3956250 ExZKCFG_RemovePluginRefs "${config}*blur")
expect_bytes(host.cfg "${before}")
installctl(0 ExZKCFG_RemovePluginRefs "${config}*blur")
expect_bytes(host.cfg "${after}")
installctl(0 ExZKCFG_RemovePluginRefs "${config}*blur")
expect_bytes(host.cfg "${after}")
expect_no_temporary()

file(WRITE "${WORK}/notes.txt" "Notes\r\nPlugin Blur.dll\r\n")
installctl(4 ExZKCFG_RemovePluginRefs "${notes}*blur")
expect_bytes(notes.txt "Notes\r\nPlugin Blur.dll\r\n")
expect_no_temporary()

installctl(1 ExZKCFG_RemovePluginRefs "${missing}*blur")
if(EXISTS "${WORK}/missing.cfg" OR EXISTS "${WORK}/missing.TMP")
  message(FATAL_ERROR "a missing configuration file led to a file being created")
endif()
