// The seven functions a setup script calls, with 8-bit text (on Windows in
// the ANSI code page; the Unicode twins are in win32/wide_exports.cpp). Each
// one enters the frame and hands over to its subsystem; nothing else belongs
// here.
#include "config/edit_request.h"
#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "entry/frame.h"
#include "install.h"
#include "userinfo/request_user_info.h"
#include "utilities/dir_size.h"
#include "utilities/spawn.h"

using install::RunExport;
using install::RunExportOnText;

extern "C" {

INSTALL_API int32_t INSTALL_CALL AreYouThere(void*, int32_t*, char* lpszValue) {
  return RunExport(install::kAreYouThereRule, nullptr, lpszValue, [] { return 1; });
}

INSTALL_API int32_t INSTALL_CALL GetDirSizeKB(void*, int32_t*, char* lpszValue) {
  return RunExportOnText(install::kGetDirSizeKBRule, nullptr, lpszValue,
                         install::utilities::DirSizeKB);
}

INSTALL_API int32_t INSTALL_CALL DOSSpawn(void*, int32_t* lpIValue, char* lpszValue) {
  return RunExportOnText(install::kDOSSpawnRule, lpIValue, lpszValue,
                         install::utilities::RunCommand);
}

INSTALL_API int32_t INSTALL_CALL WINSpawn(void*, int32_t* lpIValue, char* lpszValue) {
  return RunExportOnText(install::kWINSpawnRule, lpIValue, lpszValue,
                         install::utilities::StartProgram);
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
