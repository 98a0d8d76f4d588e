# Appends through installctl and checks the file's bytes; a wrong token and a
# missing file must leave everything as it was.
include(${CMAKE_CURRENT_LIST_DIR}/e2e_common.cmake)
host_path(config host.cfg)
host_path(missing missing.cfg)

file(WRITE "${WORK}/host.cfg" "ZKCO 1\r\n0\r\n")
installctl(1 AreYouThere)
installctl(0 ExZKCFG_AppendBuffer "${config}*Plugin C:\\Plugins\\New Plugin.dll")
expect_bytes(host.cfg "ZKCO 1\r\n0\r\nPlugin C:\\Plugins\\New Plugin.dll\r\n")
installctl(0 --value 3956250 ExZKCFG_AppendBuffer "${config}*Plugin Intruder.dll")
expect_bytes(host.cfg "ZKCO 1\r\n0\r\nPlugin C:\\Plugins\\New Plugin.dll\r\n")
installctl(1 ExZKCFG_AppendBuffer "${missing}*Plugin X.dll")
if(EXISTS "${WORK}/missing.cfg")
  message(FATAL_ERROR "a missing configuration file was created")
endif()
