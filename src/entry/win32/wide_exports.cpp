// The Unicode twins of the five exports that use their text: the same
// contract, with UTF-16 text. Only the Windows library has them.
#include "config/edit_request.h"
#include "config/line_append.h"
#include "config/plugin_removal.h"
#include "entry/frame.h"
#include "install.h"
#include "platform/call_notes.h"
#include "utilities/dir_size.h"
#include "utilities/spawn.h"

using install::RunExport;
using install::RunExportOnText;

namespace {

constexpr wchar_t kFirstPrintableByte = 0x20, kLastPrintableByte = 0x7E;
constexpr int kBitsPerByte = 8;

bool IsPrintableByte(wchar_t byte) {
  return byte >= kFirstPrintableByte && byte <= kLastPrintableByte;
}

// A setup that hands a twin 8-bit text (NSIS's "m" where "w" belongs) gives
// it two characters per UTF-16 unit: every unit then holds two printable
// ASCII bytes (the last one byte and the 8-bit text's zero), which a real
// path never does, since its ASCII units have a zero high byte. The call
// fails on its own terms; the log says what the text most likely was.
void NoteIfEightBitText(const wchar_t* text) {
  if (text == nullptr || *text == 0 || !install::platform::IsNoting()) return;
  for (const wchar_t* unit = text; *unit != 0; ++unit) {
    const wchar_t low = *unit & 0xFF, high = (*unit >> kBitsPerByte) & 0xFF;
    const bool last_of_odd_length = high == 0 && unit[1] == 0;
    if (!IsPrintableByte(low) || !(IsPrintableByte(high) || last_of_odd_length)) return;
  }
  install::platform::NoteFact(
      "the text looks like 8-bit text given as UTF-16: call the export without W, or pass a "
      "UTF-16 (NSIS \"w\") string");
}

// The twin's work, after the note above.
template <typename Work>
auto NotingEightBitText(const wchar_t* text, Work work) {
  return [text, work](auto... arguments) {
    NoteIfEightBitText(text);
    return work(arguments...);
  };
}

}  // namespace

extern "C" {

INSTALL_API int32_t INSTALL_CALL GetDirSizeKBW(void*, int32_t*, wchar_t* lpszValue) {
  return RunExportOnText(install::kGetDirSizeKBWRule, nullptr, lpszValue,
                         NotingEightBitText(lpszValue, install::utilities::DirSizeKB));
}

INSTALL_API int32_t INSTALL_CALL DOSSpawnW(void*, int32_t* lpIValue, wchar_t* lpszValue) {
  return RunExportOnText(install::kDOSSpawnWRule, lpIValue, lpszValue,
                         NotingEightBitText(lpszValue, install::utilities::RunCommand));
}

INSTALL_API int32_t INSTALL_CALL WINSpawnW(void*, int32_t* lpIValue, wchar_t* lpszValue) {
  return RunExportOnText(install::kWINSpawnWRule, lpIValue, lpszValue,
                         NotingEightBitText(lpszValue, install::utilities::StartProgram));
}

INSTALL_API int32_t INSTALL_CALL ExZKCFG_AppendBufferW(void*, int32_t* lpIValue,
                                                       wchar_t* lpszValue) {
  return RunExport(install::kExZKCFG_AppendBufferWRule, lpIValue, lpszValue,
                   NotingEightBitText(lpszValue, [lpszValue] {
                     return install::RunEditRequest(lpszValue, install::AppendLine);
                   }));
}

INSTALL_API int32_t INSTALL_CALL ExZKCFG_RemovePluginRefsW(void*, int32_t* lpIValue,
                                                           wchar_t* lpszValue) {
  return RunExport(install::kExZKCFG_RemovePluginRefsWRule, lpIValue, lpszValue,
                   NotingEightBitText(lpszValue, [lpszValue] {
                     return install::RunEditRequest(lpszValue, install::RemovePluginRefs);
                   }));
}

}  // extern "C"
