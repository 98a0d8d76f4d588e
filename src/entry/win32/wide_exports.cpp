// The Unicode twins of the five exports that use their text: the same
// contract, with UTF-16 text. Only the Windows library has them.
#include "config/edit_request.h"
#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "entry/frame.h"
#include "install.h"
#include "utilities/dir_size.h"
#include "utilities/spawn.h"

using install::RunExport;
using install::RunExportOnText;

extern "C" {

INSTALL_API int32_t INSTALL_CALL GetDirSizeKBW(void*, int32_t*, wchar_t* lpszValue) {
  return RunExportOnText(install::kGetDirSizeKBWRule, nullptr, lpszValue,
                         install::utilities::DirSizeKB);
}

INSTALL_API int32_t INSTALL_CALL DOSSpawnW(void*, int32_t* lpIValue, wchar_t* lpszValue) {
  return RunExportOnText(install::kDOSSpawnWRule, lpIValue, lpszValue,
                         install::utilities::RunCommand);
}

INSTALL_API int32_t INSTALL_CALL WINSpawnW(void*, int32_t* lpIValue, wchar_t* lpszValue) {
  return RunExportOnText(install::kWINSpawnWRule, lpIValue, lpszValue,
                         install::utilities::StartProgram);
}

INSTALL_API int32_t INSTALL_CALL ExZKCFG_AppendBufferW(void*, int32_t* lpIValue,
                                                       wchar_t* lpszValue) {
  return RunExport(install::kExZKCFG_AppendBufferWRule, lpIValue, lpszValue,
                   [&] { return install::RunEditRequest(lpszValue, install::AppendLine); });
}

INSTALL_API int32_t INSTALL_CALL ExZKCFG_RemovePluginRefsW(void*, int32_t* lpIValue,
                                                           wchar_t* lpszValue) {
  return RunExport(install::kExZKCFG_RemovePluginRefsWRule, lpIValue, lpszValue,
                   [&] { return install::RunEditRequest(lpszValue, install::RemovePluginRefs); });
}

}  // extern "C"
