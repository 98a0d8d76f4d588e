// The seven functions a setup script calls. Each one enters the frame and
// hands over to its subsystem; nothing else belongs here.
#include "config/edit_request.h"
#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "entry/frame.h"
#include "install.h"
#include "userinfo/request_user_info.h"
#include "utilities/dir_size.h"
#include "utilities/spawn.h"

using install::RunExport;
using install::TextOrEmpty;

extern "C" {

INSTALL_API int32_t INSTALL_CALL AreYouThere(void*, int32_t*, char* lpszValue) {
  return RunExport(install::kAreYouThereRule, nullptr, lpszValue, [] { return 1; });
}

INSTALL_API int32_t INSTALL_CALL GetDirSizeKB(void*, int32_t*, char* lpszValue) {
  return RunExport(install::kGetDirSizeKBRule, nullptr, lpszValue,
                   [&] { return install::utilities::DirSizeKB(TextOrEmpty(lpszValue)); });
}

INSTALL_API int32_t INSTALL_CALL DOSSpawn(void*, int32_t* lpIValue, char* lpszValue) {
  return RunExport(install::kDOSSpawnRule, lpIValue, lpszValue,
                   [&] { return install::utilities::RunCommand(TextOrEmpty(lpszValue)); });
}

INSTALL_API int32_t INSTALL_CALL WINSpawn(void*, int32_t* lpIValue, char* lpszValue) {
  return RunExport(install::kWINSpawnRule, lpIValue, lpszValue,
                   [&] { return install::utilities::StartProgram(TextOrEmpty(lpszValue)); });
}

INSTALL_API int32_t INSTALL_CALL RequestUserInfo(void* hwnd, int32_t* lpIValue, char* lpszValue) {
  return RunExport(install::kRequestUserInfoRule, lpIValue, lpszValue,
                   [&] { return install::userinfo::RequestUserInfo(hwnd); });
}

INSTALL_API int32_t INSTALL_CALL ExZKCFG_AppendBuffer(void*, int32_t* lpIValue, char* lpszValue) {
  return RunExport(install::kExZKCFG_AppendBufferRule, lpIValue, lpszValue,
                   [&] { return install::RunEditRequest(lpszValue, install::AppendLine); });
}

INSTALL_API int32_t INSTALL_CALL ExZKCFG_RemovePluginRefs(void*, int32_t* lpIValue,
                                                          char* lpszValue) {
  return RunExport(install::kExZKCFG_RemovePluginRefsRule, lpIValue, lpszValue,
                   [&] { return install::RunEditRequest(lpszValue, install::RemovePluginRefs); });
}

}  // extern "C"
